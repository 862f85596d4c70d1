// The install plan: for every file of the manifest, whether the current
// version is fetched and installed, the installed file deleted, or the file
// left alone, and where in the install volume it starts.
//
// Files the user changed by hand are never overwritten or deleted without
// asking: the question is a modal dialog above the engine, reached through
// a hook that the wizard installs at start-up.
#pragma once

#include <string>

// Answers of the question about a file the user changed.
constexpr int kAnswerOverwrite = 1;     // overwrite (or delete) this file
constexpr int kAnswerKeep = 2;          // keep this file
constexpr int kAnswerCancel = 3;        // cancel the whole installation
constexpr int kAnswerOverwriteAll = 4;  // every such file in this folder
constexpr int kAnswerKeepAll = 5;       // keep every such file in this folder

// Sets the install and delete flags and the progress fraction of the
// current version of every history in sim_info.  1 when the plan is
// complete, 0 when the user cancelled the installation (nothing fetched or
// deleted yet; the flags after the file asked about are stale).
int choose_files();

// Asks about one changed file: `path` is its destination path, a non-zero
// `is_delete` asks about removing it rather than replacing it.
int select_alert(const std::string& path, int is_delete);

using select_alert_fn = int (*)(const std::string& path, int is_delete);
// The wizard puts its dialog here; null restores the default, which keeps
// the user's file (the one answer that loses nothing) and says so in the log.
void set_select_alert_hook(select_alert_fn fn);

// Where a manifest path lands: dest_dir_path followed by the path less its
// top folder.
std::string plan_destination_path(const std::string& manifest_path);
