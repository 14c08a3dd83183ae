#pragma once

#include <QString>

#include <vector>

namespace korvex {

// The list of alert sounds kept in "Waves.ini": section "Entry" key "Total", and for each
// entry "Wave"/"wave%d" (the file) and "Desc"/"wave%d" (its description).
class SoundList {
public:
    struct Entry {
        QString path;
        QString description;
    };

    // Reads the list; reading stops at the first empty "Wave" entry. A missing or empty file
    // gives an empty list. Bare file names lie in `programDir`.
    static SoundList Load(const QString& iniPath, const QString& programDir);
    bool Save(const QString& iniPath) const;

    const std::vector<Entry>& Entries() const { return entries_; }
    void Add(Entry entry) { entries_.push_back(std::move(entry)); }
    // Removes an entry, but never the last one.
    bool Remove(int index);

    // The entry whose path equals `waveName` (ignoring case), else the first; -1 for an
    // empty list.
    int Select(const QString& waveName) const;

private:
    std::vector<Entry> entries_;
};

}  // namespace korvex
