#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "base/ProgramPaths.h"

// "config.ini" beside the executable. Keeps nothing in memory: every call
// goes to the file through the platform's INI-file operations, so any
// thread may make its own instance and use it.
class SettingsStore {
public:
    std::string GetConfigPath() const;

    // A flag is on only when its value is exactly "1"; absent means on.
    bool IsOfficialUpdateEnabled() const;
    bool SetOfficialUpdateEnabled(bool enabled) const;
    bool IsCustomUpdateEnabled() const;
    bool SetCustomUpdateEnabled(bool enabled) const;

    std::string GetOfficialStamp() const;
    bool SetOfficialStamp(const std::string& stamp) const;

    // The user's update sites in file order, addresses[i] with stamps[i].
    // True when at least one site was read.
    bool ReadCustomSites(std::vector<std::string>& addresses,
                         std::vector<std::string>& stamps) const;
    // Writes the line "address|stamp="; an existing line keeps its place,
    // a new one goes to the end of the section.
    bool WriteCustomSite(const std::string& address, const std::string& stamp) const;
    // Replaces every line of section "custom" with the lines of text
    // (each "key=value", separated by LF); the empty text empties it.
    bool ReplaceCustomSection(const std::string& text) const;
    // Replaces the section with the sites, in order, each as the line
    // "address|stamp=", in one write: a rewrite cut short never leaves the
    // section emptied or half written.
    bool ReplaceCustomSites(const std::vector<std::string>& addresses,
                            const std::vector<std::string>& stamps) const;

    // Sets the stamp of the stored site with this address (any case) in the
    // section as it stands now, so a site added or removed meanwhile stays
    // added or removed. False, with nothing written, when no stored site has
    // that address any more.
    bool SetCustomSiteStamp(const std::string& address, const std::string& stamp) const;
    // Held around every read-modify-write of section "custom", so the page
    // and the update pass never write back what the other has just changed.
    static std::unique_lock<std::mutex> LockCustomSites();

    // Text of the exception dialog: its lines, joined by CR LF; empty when
    // the file holds none.
    std::string GetExceptionText() const;
    // Replaces the stored lines with those of text (CR LF, LF or CR between
    // them) in one write. Lines lose the white space at either end.
    bool SetExceptionText(const std::string& text) const;

    // Whether the address can be stored and read back whole: a "|" of its
    // own would be taken for the end of the address.
    static bool CanStoreAddress(const std::string& address);
};
