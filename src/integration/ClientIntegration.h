// One program that Corvatine can be made the comparison tool of: a
// version-control client. The Integration page and the command line's
// --integrate words drive every client through this face.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

class CClientIntegration {
public:
    virtual ~CClientIntegration() = default;

    // The word of the command line ("git", "svn", "tortoisesvn" ...).
    virtual std::string Name() const = 0;
    // The client's name for people ("Git", "Subversion", "TortoiseSVN" ...).
    virtual std::string ClientName() const = 0;
    // Whether the client may be written at all: installed (on $PATH, with
    // its configuration file where it needs one) or, for the Tortoise
    // clients, with a comparison program configured. Otherwise the client
    // is never written, and NotConfiguredReason says why.
    virtual bool IsConfigured() = 0;
    virtual std::string NotConfiguredReason() = 0;
    // The state IsConfigured tells, for a status line: "installed", "not
    // installed", "installed, no configuration file" (svn, hg), "configured"
    // or "not configured" (the Tortoise clients).
    virtual std::string StateText() = 0;
    // Whether the client's comparison program is Corvatine.
    virtual bool IsIntegrated() = 0;
    // Whether switching off has anything to do: the integration is on, or
    // something of it is left (a backup, this program's own entries) after
    // the user chose another program in the client.
    virtual bool HasIntegration() { return IsIntegrated(); }
    // Switches the integration on (the client's settings are backed up, then
    // replaced) or off (the backup is put back and removed). False, with
    // LastError set, when something failed; the client's settings and the
    // backups are then as they were.
    [[nodiscard]] virtual bool SetIntegration(bool on) = 0;

    const std::string& LastError() const { return m_error; }
    // Lines for the user from the last switch (where something was put).
    const std::vector<std::string>& Notes() const { return m_notes; }

protected:
    bool Fail(std::string reason) {
        m_error = std::move(reason);
        return false;
    }
    std::string m_error;
    std::vector<std::string> m_notes;
};

}  // namespace corvatine
