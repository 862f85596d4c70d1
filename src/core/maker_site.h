// Where the maker can be reached.  Several subsystems name the web site and
// the support address in texts shown to the user and the engine fetches the
// server list from the site, so each is written once, as literals that can
// be joined into those texts.
#pragma once

#define NIMBREL_MAKER_HOST "www.orrindalelabs.example"
#define NIMBREL_MAKER_SUPPORT_EMAIL "support@orrindalelabs.example"

// The maker's web server, which publishes the server list.
inline constexpr char kMakerWebHost[] = NIMBREL_MAKER_HOST;
