// Where long work reports how far it has come.
#pragma once

#include <string>

namespace corvatine::platform {

class CProgressSink {
public:
    virtual ~CProgressSink() = default;
    // The work runs from first to last, described by text.
    virtual void Start(int first, int last, const std::string& text) = 0;
    virtual void Step() = 0;
    virtual void Close() = 0;
};

}  // namespace corvatine::platform
