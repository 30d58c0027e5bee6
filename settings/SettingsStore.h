#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/ProgramPaths.h"
#include "settings/ConfigText.h"

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

    // The official list's validator and the digest of its body, as last
    // merged; read as written, so an ETag keeps its quotes.
    std::string GetOfficialStamp() const;
    std::string GetOfficialDigest() const;
    // Stores both; a validator that may not be stored (IsStorableValidator)
    // is stored empty, and an empty digest removes the one stored.
    bool SetOfficialStamp(const std::string& stamp, const std::string& digest = std::string()) const;

    // The user's update sites in file order. A line without "|" gives a
    // site with an empty address and the whole line as its stamp.
    std::vector<CustomSite> ReadCustomSites() const;
    // Writes the line "address|stamp="; an existing line keeps its place,
    // a new one goes to the end of the section. False, with nothing
    // written, for an address or stamp that cannot be stored.
    bool WriteCustomSite(const std::string& address, const std::string& stamp) const;
    // Replaces every line of section "custom" with the lines of text
    // (each "key=value", separated by LF); the empty text empties it.
    bool ReplaceCustomSection(const std::string& text) const;
    // Replaces the section with the sites, in order, each as the line
    // "address|stamp=digest" (FormatCustomSiteLine), in one write: a
    // rewrite cut short never leaves the section emptied or half written.
    bool ReplaceCustomSites(const std::vector<CustomSite>& sites) const;
    // The one way the stored sites are changed, by the settings page and
    // the update pass alike: reads them as the section stands, lets edit
    // change them and writes them back, all under one lock, so neither
    // writes back what the other has just changed. Nothing is written
    // when edit returns false.
    bool EditCustomSites(const std::function<bool(std::vector<CustomSite>&)>& edit) const;
    // Sets the stamp and digest of the stored site with this address (any
    // case); false, with nothing written, when no stored site has that
    // address any more.
    bool SetCustomSiteStamp(const std::string& address, const std::string& stamp,
                            const std::string& digest = std::string()) const;

    // Text of the exception dialog: its lines, joined by CR LF; empty when
    // the file holds none.
    std::string GetExceptionText() const;
    // Replaces the stored lines with those of text (CR LF, LF or CR between
    // them) in one write. Lines lose the white space at either end.
    bool SetExceptionText(const std::string& text) const;

    // Whether the address can be stored and read back whole: a "|" of its
    // own would be taken for the end of the address, a control character
    // would end the line.
    static bool CanStoreAddress(const std::string& address);
};
