#pragma once

namespace lesaro {

// The reader entry window as the reader table's rules see it: while it shows, a move through the readers
// narrows the loans to the reader's open ones.
class ReaderEntryWindow {
public:
    virtual ~ReaderEntryWindow() = default;
    virtual bool entryShowing() const = 0;
};

} // namespace lesaro
