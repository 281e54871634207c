#include "store/netchoices.h"

#include "store/settings.h"

#include <algorithm>

namespace dw {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

std::string recentKey(std::size_t n) {
    return "Recenthost" + std::to_string(n);
}

} // namespace

NetworkChoices loadNetworkChoices(const IniFile& ini) {
    NetworkChoices c;
    c.pilotName = ini.read(kSettingsSection, "Pilotname").value_or("");
    if (const auto port = ini.read(kSettingsSection, "Hostport")) {
        const auto v = parseIniInteger(*port);
        if (v && *v >= 1 && *v <= 65535)
            c.hostPort = *v;
    }
    c.internet = ini.read(kSettingsSection, "Hostinternet").value_or("") == "true";
    for (std::size_t n = 1; n <= kRecentHosts; ++n) {
        const std::string host = ini.read(kSettingsSection, recentKey(n)).value_or("");
        if (!host.empty() &&
            std::none_of(c.recentHosts.begin(), c.recentHosts.end(),
                         [&](const std::string& h) { return sameIgnoringCase(h, host); }))
            c.recentHosts.push_back(host);
    }
    return c;
}

void saveNetworkChoices(IniFile& ini, const NetworkChoices& c) {
    ini.write(kSettingsSection, "Pilotname", c.pilotName);
    ini.write(kSettingsSection, "Hostport", std::to_string(c.hostPort));
    ini.write(kSettingsSection, "Hostinternet", c.internet ? "true" : "false");
    for (std::size_t n = 1; n <= kRecentHosts; ++n)
        ini.write(kSettingsSection, recentKey(n),
                  n <= c.recentHosts.size() ? c.recentHosts[n - 1] : std::string());
}

NetworkChoices loadNetworkChoicesFile(const std::filesystem::path& path) {
    return loadNetworkChoices(IniFile::load(path));
}

bool saveNetworkChoicesFile(const std::filesystem::path& path, const NetworkChoices& c) {
    IniFile ini = IniFile::load(path);
    saveNetworkChoices(ini, c);
    return ini.save();
}

LobbyChoices loadLobbyChoices(const IniFile& ini) {
    LobbyChoices c;
    c.server = ini.read(kSettingsSection, "Lobbyserver").value_or("");
    c.account = ini.read(kSettingsSection, "Lobbyaccount").value_or("");
    c.room = ini.read(kSettingsSection, "Lobbyroom").value_or("");
    c.guestDomain = ini.read(kSettingsSection, "Lobbyguestdomain").value_or("");
    return c;
}

void saveLobbyChoices(IniFile& ini, const LobbyChoices& c) {
    ini.write(kSettingsSection, "Lobbyserver", c.server);
    ini.write(kSettingsSection, "Lobbyaccount", c.account);
    ini.write(kSettingsSection, "Lobbyroom", c.room);
    ini.write(kSettingsSection, "Lobbyguestdomain", c.guestDomain);
}

LobbyChoices loadLobbyChoicesFile(const std::filesystem::path& path) {
    return loadLobbyChoices(IniFile::load(path));
}

bool saveLobbyChoicesFile(const std::filesystem::path& path, const LobbyChoices& c) {
    IniFile ini = IniFile::load(path);
    saveLobbyChoices(ini, c);
    return ini.save();
}

std::vector<std::string> rememberHost(std::vector<std::string> recent, const std::string& host) {
    std::erase_if(recent, [&](const std::string& h) { return sameIgnoringCase(h, host); });
    recent.insert(recent.begin(), host);
    if (recent.size() > kRecentHosts)
        recent.resize(kRecentHosts);
    return recent;
}

} // namespace dw
