#pragma once

namespace korvex {

// What the recorder's event logic asks of the buffer it records into, once per frame step.
class RecorderActions {
public:
    virtual ~RecorderActions() = default;
    // Stores the current frame as one record; `keyFrame` asks for a frame that decodes on
    // its own (the first frame of an event). False when the record could not be stored.
    virtual bool StoreFrame(bool keyFrame) = 0;
    // Keeps everything stored so far: the retained end moves to the write position.
    virtual void Retain() = 0;
    // Gives up the frames stored since the retained end: the next record overwrites them.
    virtual void Drop() = 0;
    // Writes the periodic still image of the current frame.
    virtual void WriteStill() = 0;
};

}  // namespace korvex
