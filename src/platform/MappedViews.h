// Files mapped into memory and read where they lie. Another program that cuts
// such a file short while it is mapped makes the next read of the lost pages
// fault (SIGBUS). The views are registered here so that the fault ends the
// program with a message that names the file, instead of a crash.
#pragma once

#include <cstddef>
#include <string>

namespace corvatine::platform {

// A registration of the view [start, start + length) of the file at path;
// it ends when the object goes. Views beyond what the table holds (a few
// dozen at once) are not registered: a fault in them stays a crash.
class CMappedViewRecord {
public:
    CMappedViewRecord(const void* start, size_t length, const std::string& path);
    ~CMappedViewRecord();
    CMappedViewRecord(const CMappedViewRecord&) = delete;
    CMappedViewRecord& operator=(const CMappedViewRecord&) = delete;

    bool IsRegistered() const { return m_slot >= 0; }

private:
    int m_slot = -1;
};

// Installs, once, the handler that turns a fault in a registered view into
// "corvatine: PATH: the file was cut short by another program while it was
// being read" on stderr and exit status 2. A fault anywhere else keeps its
// default action.
void ReportFaultsInMappedViews();

}  // namespace corvatine::platform
