#include <malloc.h>

#include <utility>

#include "engine/manifest.h"

namespace {

// Made on first use and never destroyed: texts are still read by globals
// that go at exit, in an order nobody chooses.
manifest_histories& the_manifest()
{
    static auto* made = new manifest_histories;
    return *made;
}

}  // namespace

manifest_histories& sim_info = the_manifest();

text_pool& manifest_texts() { return the_manifest().texts(); }

manifest_histories::manifest_histories() : texts_(new text_pool) {}

void manifest_histories::clear()
{
    const bool held = histories_.capacity() > 0 || texts_->bytes() > 0;
    std::vector<file_history_struct>().swap(histories_);
    texts_->clear();
    // A manifest of a million lines leaves hundreds of megabytes free in
    // the heap, resident and counted against a limit on the address space
    // until they are given back.
    if (held) ::malloc_trim(0);
}

void manifest_histories::replace(std::vector<file_history_struct>&& histories, std::unique_ptr<text_pool> texts)
{
    clear();
    histories_.swap(histories);
    if (texts) texts_.swap(texts);
}
