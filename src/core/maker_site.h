// Where the maker can be reached.  Several subsystems name the web site in
// texts shown to the user and the engine fetches the server list from it, so
// it is written once, as literals that can be joined into those texts.
#pragma once

#define NIMBREL_MAKER_HOST "www.orrindalelabs.example"
#define NIMBREL_MAKER_SUPPORT_EMAIL "support@orrindalelabs.example"

// The maker's web server, which publishes the server list.
inline constexpr char kMakerWebHost[] = NIMBREL_MAKER_HOST;
