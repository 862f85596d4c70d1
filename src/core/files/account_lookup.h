// Who the accounts of the machine are, as far as judging a place needs:
// the name the user knows an owner by, and whether a group holds anyone
// but this user.
#pragma once

#include <sys/types.h>

#include <string>

// The name of the account with the number `uid`, or "" where no account
// has it.
std::string account_name(uid_t uid);

// Whether an account has the name `name`.
bool account_exists(const std::string& name);

// Who owns a place, as the user knows them: "belongs to root", "belongs to
// the user NAME", or, for a number no account has, "belongs to user N".
std::string owner_phrase(uid_t owner);

// Whether a place of group `gid` that its group may write can be changed
// by someone other than this user, its owner and root: true unless the
// group has no member but this user (no other account has it as its
// primary group, and its member list names no one else), as Debian's
// OpenSSH judges a home for StrictModes.  A group no entry describes is
// shared: who is in it cannot be told.  The accounts are looked up once
// per group and run.
bool group_shared_with_others(gid_t gid);

// -- A test's seam ---
// The account and group files read instead of the system's accounts, in
// the formats of /etc/passwd and /etc/group; "" for the system's.  Forgets
// what was looked up.
void set_account_files(const std::string& passwd, const std::string& group);
