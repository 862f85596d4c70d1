// The words the user gets when the per-user folder cannot be used: their
// settings and the list of installed copies are then not kept, and only
// the log would say so.
#pragma once

// Tells the user, once a run, in a warning alert, that their settings and
// the list of installed copies cannot be kept, which folder is at fault
// and what to do.  Called where those are needed and there is no per-user
// folder; nothing when HOME is unset or the folder is fine.
void tell_per_user_folder_trouble();

// -- A test's seam ---
// The next call tells again.
void per_user_folder_notice_forget();
