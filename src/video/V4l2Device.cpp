#include "video/V4l2Device.h"

#include "video/V4l2Formats.h"

#include <QDir>
#include <QString>

#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvex {

namespace {

constexpr int kBufferCount = 4;
// The longest a grab waits for a frame: a stalled camera costs a tick, never a frozen window.
constexpr int kGrabWaitMs = 250;

int Ioctl(int fd, unsigned long request, void* arg) {
    int result;
    do {
        result = v4l2_ioctl(fd, request, arg);
    } while (result == -1 && errno == EINTR);
    return result;
}

// The card name of a video capture device node, or empty when it is not one.
QString CaptureCardName(const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    if (fd < 0) {
        return {};
    }
    v4l2_capability caps{};
    const bool ok = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
    ::close(fd);
    const uint32_t flags =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!ok || !(flags & V4L2_CAP_VIDEO_CAPTURE) || !(flags & V4L2_CAP_STREAMING)) {
        return {};
    }
    return QString::fromUtf8(
        reinterpret_cast<const char*>(caps.card),
        static_cast<int>(strnlen(reinterpret_cast<const char*>(caps.card), sizeof caps.card)));
}

}  // namespace

std::vector<CaptureDriver> V4l2Device::Drivers() {
    std::vector<CaptureDriver> drivers;
    QStringList nodes =
        QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System);
    std::sort(nodes.begin(), nodes.end(), [](const QString& a, const QString& b) {
        return a.mid(5).toInt() < b.mid(5).toInt();
    });
    for (const QString& node : nodes) {
        const QString path = QStringLiteral("/dev/") + node;
        const QString card = CaptureCardName(path);
        if (!card.isEmpty()) {
            const std::string device = path.toStdString();
            drivers.push_back({card, [device] { return V4l2Device::Open(device); }});
        }
    }
    return drivers;
}

std::unique_ptr<V4l2Device> V4l2Device::Open(const std::string& path) {
    V4l2Fd fd(v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK));
    if (!fd.IsOpen()) {
        return nullptr;
    }
    std::unique_ptr<V4l2Device> device(new V4l2Device(std::move(fd)));
    if (!device->ReadFormat() || !device->StartStreaming()) {
        return nullptr;
    }
    return device;
}

V4l2Device::~V4l2Device() {
    StopStreaming();
}

bool V4l2Device::ReadFormat() {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(fd_.Get(), VIDIOC_G_FMT, &format) != 0) {
        return false;
    }
    const v4l2_pix_format& pix = format.fmt.pix;
    format_ =
        DibFormatFromV4l2(pix.pixelformat, pix.width, pix.height, pix.bytesperline, pix.sizeimage);
    // A format we cannot use: ask for BGR, which libv4l2 converts from most formats.
    if (format_.IsEmpty()) {
        format.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
        format.fmt.pix.bytesperline = 0;
        if (Ioctl(fd_.Get(), VIDIOC_S_FMT, &format) != 0) {
            return false;
        }
        format_ = DibFormatFromV4l2(pix.pixelformat, pix.width, pix.height, pix.bytesperline,
                                    pix.sizeimage);
    }
    return !format_.IsEmpty();
}

bool V4l2Device::StartStreaming() {
    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (Ioctl(fd_.Get(), VIDIOC_REQBUFS, &request) != 0 || request.count == 0) {
        return false;
    }
    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (Ioctl(fd_.Get(), VIDIOC_QUERYBUF, &buffer) != 0) {
            return false;
        }
        void* address = v4l2_mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED,
                                  fd_.Get(), buffer.m.offset);
        if (address == MAP_FAILED) {
            return false;
        }
        buffers_.emplace_back(address, buffer.length);
        if (Ioctl(fd_.Get(), VIDIOC_QBUF, &buffer) != 0) {
            return false;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    streaming_ = Ioctl(fd_.Get(), VIDIOC_STREAMON, &type) == 0;
    return streaming_;
}

void V4l2Device::StopStreaming() {
    if (streaming_) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        Ioctl(fd_.Get(), VIDIOC_STREAMOFF, &type);
        streaming_ = false;
    }
    keeper_.Reset();
    buffers_.clear();
    if (fd_.IsOpen()) {
        v4l2_requestbuffers release{};
        release.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        release.memory = V4L2_MEMORY_MMAP;
        Ioctl(fd_.Get(), VIDIOC_REQBUFS, &release);
    }
}

std::optional<std::span<const uint8_t>> V4l2Device::Grab() {
    if (!streaming_) {
        return std::nullopt;
    }
    std::vector<DequeuedBuffer> dequeued;
    for (int attempt = 0; attempt < 2 && dequeued.empty(); ++attempt) {
        if (attempt == 1) {
            pollfd waiting{fd_.Get(), POLLIN, 0};
            if (poll(&waiting, 1, kGrabWaitMs) <= 0 || (waiting.revents & (POLLERR | POLLHUP))) {
                return std::nullopt;
            }
        }
        // Everything the device has filled since the last grab; only the newest is kept.
        for (size_t i = 0; i < buffers_.size(); ++i) {
            v4l2_buffer buffer{};
            buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            buffer.memory = V4L2_MEMORY_MMAP;
            if (Ioctl(fd_.Get(), VIDIOC_DQBUF, &buffer) != 0) {
                if (errno != EAGAIN) {
                    return std::nullopt;  // unplugged or failed: no frame this time
                }
                break;
            }
            dequeued.push_back(
                {static_cast<int>(buffer.index), buffer.bytesused,
                 (buffer.flags & V4L2_BUF_FLAG_ERROR) != 0 || buffer.index >= buffers_.size()});
        }
    }
    for (int index : keeper_.Take(dequeued)) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = static_cast<uint32_t>(index);
        Ioctl(fd_.Get(), VIDIOC_QBUF, &buffer);
    }
    const auto& held = keeper_.Held();
    const bool fresh = std::any_of(dequeued.begin(), dequeued.end(), [&](const auto& b) {
        return held && b.index == held->index && !b.error;
    });
    if (!held || !fresh) {
        return std::nullopt;
    }
    const MappedBuffer& buffer = buffers_[held->index];
    return std::span<const uint8_t>(buffer.Data(), std::min(held->bytesUsed, buffer.Length()));
}

std::vector<CaptureFormatOption> V4l2Device::Formats() const {
    std::vector<CaptureFormatOption> options;
    for (uint32_t f = 0;; ++f) {
        v4l2_fmtdesc description{};
        description.index = f;
        description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Ioctl(fd_.Get(), VIDIOC_ENUM_FMT, &description) != 0) {
            break;
        }
        for (uint32_t s = 0;; ++s) {
            v4l2_frmsizeenum size{};
            size.index = s;
            size.pixel_format = description.pixelformat;
            if (Ioctl(fd_.Get(), VIDIOC_ENUM_FRAMESIZES, &size) != 0 ||
                size.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
                break;
            }
            const DibFormat format = DibFormatFromV4l2(description.pixelformat, size.discrete.width,
                                                       size.discrete.height, 0, 0);
            if (!format.IsEmpty()) {
                options.push_back({format.Compression(), format.Width(), std::abs(format.Height()),
                                   format.BitCount()});
            }
        }
    }
    return options;
}

bool V4l2Device::SetFormat(const CaptureFormatOption& option) {
    const uint32_t pixelFormat = V4l2PixelFormatFor(option.compression, option.bitCount);
    if (pixelFormat == 0) {
        return false;
    }
    StopStreaming();
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(option.width);
    format.fmt.pix.height = static_cast<uint32_t>(option.height);
    format.fmt.pix.pixelformat = pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    const bool set = Ioctl(fd_.Get(), VIDIOC_S_FMT, &format) == 0;
    // The device keeps streaming in whatever format it has now, chosen or not.
    const bool read = ReadFormat();
    return StartStreaming() && set && read;
}

std::vector<DeviceControl> V4l2Device::Controls() const {
    std::vector<DeviceControl> controls;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (Ioctl(fd_.Get(), VIDIOC_QUERYCTRL, &query) == 0) {
        if (!(query.flags & V4L2_CTRL_FLAG_DISABLED) &&
            (query.type == V4L2_CTRL_TYPE_INTEGER || query.type == V4L2_CTRL_TYPE_BOOLEAN ||
             query.type == V4L2_CTRL_TYPE_MENU)) {
            v4l2_control control{};
            control.id = query.id;
            Ioctl(fd_.Get(), VIDIOC_G_CTRL, &control);
            controls.push_back(
                {query.id,
                 std::string(reinterpret_cast<const char*>(query.name),
                             strnlen(reinterpret_cast<const char*>(query.name), sizeof query.name)),
                 query.minimum, query.maximum, std::max(query.step, 1), query.default_value,
                 control.value});
        }
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    return controls;
}

bool V4l2Device::SetControl(uint32_t id, int value) {
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return Ioctl(fd_.Get(), VIDIOC_S_CTRL, &control) == 0;
}

}  // namespace korvex
