// Where long work reports how far it has come, and whether the user wants it
// to stop: the stand-in for a progress dialog with range, position, message
// and Cancel.
#pragma once

#include <string>

namespace corvatine::platform {

class CProgressSink {
public:
    virtual ~CProgressSink() = default;
    // The work runs from first to last, described by text.
    virtual void Start(int first, int last, const std::string& text) = 0;
    virtual void Step() = 0;
    // Where the work stands, from first to last.
    virtual void SetPosition(int position) = 0;
    virtual void Close() = 0;
    // Tested before each piece of work that may be left undone.
    virtual bool IsCancelled() const { return false; }
};

}  // namespace corvatine::platform
