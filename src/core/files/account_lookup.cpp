#include "core/files/account_lookup.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

namespace {

std::mutex lookup_lock;
// "" while the system's accounts are asked.
std::string passwd_file, group_file;
// What each lookup found, for the run: a folder walk judges a group at
// every level, and an account lookup may ask a directory server.
std::map<gid_t, bool> shared_groups;
std::map<uid_t, std::string> owner_names;  // "" where no account has the number

// An entry's strings live in a buffer of the caller's, which a long member
// list can outgrow; the lookup is then made again with room for it.
constexpr size_t kFirstRoom = 16 * 1024, kMostRoom = 16 * 1024 * 1024;

// Calls `each` with every account in turn until it answers false.
template <typename Each>
void each_account(Each each)
{
    std::vector<char> room(kFirstRoom);
    struct passwd entry, *found = nullptr;
    std::FILE* file = nullptr;
    if (passwd_file.empty())
        ::setpwent();
    else if (!(file = std::fopen(passwd_file.c_str(), "re")))
        return;
    for (;;) {
        const int err = file ? ::fgetpwent_r(file, &entry, room.data(), room.size(), &found)
                             : ::getpwent_r(&entry, room.data(), room.size(), &found);
        if (err == ERANGE && room.size() < kMostRoom) {
            room.resize(room.size() * 2);
            continue;
        }
        if (err != 0 || !found || !each(entry)) break;
    }
    if (file)
        std::fclose(file);
    else
        ::endpwent();
}

std::string lookup_name(uid_t uid)
{
    std::string name;
    if (passwd_file.empty()) {
        std::vector<char> room(kFirstRoom);
        struct passwd entry, *found = nullptr;
        int err;
        while ((err = ::getpwuid_r(uid, &entry, room.data(), room.size(), &found)) == ERANGE &&
               room.size() < kMostRoom)
            room.resize(room.size() * 2);
        if (err == 0 && found) name = entry.pw_name;
        return name;
    }
    each_account([&](const struct passwd& entry) {
        if (entry.pw_uid != uid) return true;
        name = entry.pw_name;
        return false;
    });
    return name;
}

// Whether the group `gid` has an entry, with its member list in `members`.
bool group_members(gid_t gid, std::vector<std::string>& members)
{
    std::vector<char> room(kFirstRoom);
    struct group entry, *found = nullptr;
    std::FILE* file = nullptr;
    if (!group_file.empty() && !(file = std::fopen(group_file.c_str(), "re"))) return false;
    for (;;) {
        int err;
        if (file)
            err = ::fgetgrent_r(file, &entry, room.data(), room.size(), &found);
        else
            err = ::getgrgid_r(gid, &entry, room.data(), room.size(), &found);
        if (err == ERANGE && room.size() < kMostRoom) {
            room.resize(room.size() * 2);
            continue;
        }
        if (err != 0 || !found) break;
        if (file && entry.gr_gid != gid) continue;
        for (char** member = entry.gr_mem; member && *member; ++member) members.push_back(*member);
        if (file) std::fclose(file);
        return true;
    }
    if (file) std::fclose(file);
    return false;
}

// With lookup_lock held.
const std::string& cached_name(uid_t uid)
{
    auto known = owner_names.find(uid);
    if (known == owner_names.end()) known = owner_names.emplace(uid, lookup_name(uid)).first;
    return known->second;
}

}  // namespace

std::string account_name(uid_t uid)
{
    const std::lock_guard<std::mutex> hold(lookup_lock);
    return cached_name(uid);
}

bool account_exists(const std::string& name)
{
    const std::lock_guard<std::mutex> hold(lookup_lock);
    if (!passwd_file.empty()) {
        bool found = false;
        each_account([&](const struct passwd& entry) { return !(found = name == entry.pw_name); });
        return found;
    }
    std::vector<char> room(kFirstRoom);
    struct passwd entry, *found = nullptr;
    int err;
    while ((err = ::getpwnam_r(name.c_str(), &entry, room.data(), room.size(), &found)) == ERANGE &&
           room.size() < kMostRoom)
        room.resize(room.size() * 2);
    return err == 0 && found;
}

std::string owner_phrase(uid_t owner)
{
    if (owner == 0) return "belongs to root";
    const std::string name = account_name(owner);
    return name.empty() ? "belongs to user " + std::to_string(owner) : "belongs to the user " + name;
}

bool group_shared_with_others(gid_t gid)
{
    const std::lock_guard<std::mutex> hold(lookup_lock);
    if (const auto known = shared_groups.find(gid); known != shared_groups.end()) return known->second;
    const uid_t me = ::geteuid();
    const std::string my_name = cached_name(me);
    std::vector<std::string> members;
    bool shared = !group_members(gid, members);
    for (const std::string& member : members)
        if (member != my_name) shared = true;
    if (!shared)
        each_account([&](const struct passwd& entry) {
            if (entry.pw_gid == gid && entry.pw_uid != me) shared = true;
            return !shared;
        });
    shared_groups.emplace(gid, shared);
    return shared;
}

void set_account_files(const std::string& passwd, const std::string& group)
{
    const std::lock_guard<std::mutex> hold(lookup_lock);
    passwd_file = passwd;
    group_file = group;
    shared_groups.clear();
    owner_names.clear();
}
