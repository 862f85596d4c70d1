#include "core/archives/decoding_purses.h"

#include <algorithm>

namespace {

uint64_t times(uint64_t a, uint64_t b) { return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b; }

constexpr int64_t kSaved = static_cast<int64_t>(kMax7zSavedNs);

}  // namespace

void decoding_purses::reset(const seven_zip_reading& reading)
{
    reading_ = &reading;
    folders_.assign(reading.folders.size(), purse());
    for (size_t f = 0; f < folders_.size(); ++f)
        folders_[f].edges = static_cast<int64_t>(std::min<uint64_t>(times(reading.folders[f].edge_ns, 2), INT64_MAX / 4));
    first_packs_.assign(reading.folders.size(), reading.packs.size());
    for (size_t i = reading.packs.size(); i-- > 0;) first_packs_[reading.packs[i].folder] = i;
    header_ns_ = static_cast<int64_t>(std::min<uint64_t>(reading.header_ns, INT64_MAX / 2));
    payer_ = seven_zip_reading::kNoFolder;
    handed_last_ = seven_zip_reading::kNoFolder;
    entry_ns_ = 0;
    entry_working_ = false;
    at_edge_ = false;
    charged_ns_ = 0;
    last_ns_ = 0;
    spare_ = static_cast<int64_t>(kMax7zSpareNs);
}

const seven_zip_reading::pack_stream* decoding_purses::stream_from(uint64_t at, uint32_t folder) const
{
    const auto& packs = reading_->packs;
    // Most often one of the folder the reader is at.
    for (size_t i = folder < first_packs_.size() ? first_packs_[folder] : packs.size();
         i < packs.size() && packs[i].folder == folder; ++i)
        if (packs[i].start <= at && at < packs[i].end) return &packs[i];
    const auto after = std::upper_bound(packs.begin(), packs.end(), at,
                                        [](uint64_t place, const seven_zip_reading::pack_stream& stream) {
                                            return place < stream.start;
                                        });
    if (after != packs.begin() && at < std::prev(after)->end) return &*std::prev(after);
    return after == packs.end() ? nullptr : &*after;
}

bool decoding_purses::holds_only_its_claim(const seven_zip_reading::pack_stream& stream, uint64_t at, uint64_t* held,
                                           uint64_t* left) const
{
    if (!stream.weighed) return true;
    // The folder's bytes handed over came from this coder but for what the
    // folder's other streams gave them.
    const uint64_t handed = folders_[stream.folder].handed;
    const uint64_t made = handed > stream.shared ? handed - stream.shared : 0;
    *left = stream.output > made ? stream.output - made : 0;
    *held = stream.end - at;
    return *held <= seven_zip_packed_room(*left);
}

uint64_t decoding_purses::ns_per_byte(uint32_t folder, uint64_t upto) const
{
    const seven_zip_reading::folder_purse& f = reading_->folders[folder];
    return upto > f.full_after ? f.full_ns_per_byte : f.ns_per_byte;
}

uint64_t decoding_purses::advance_ns(uint32_t folder) const
{
    const seven_zip_reading::folder_purse& f = reading_->folders[folder];
    const uint64_t handed = folders_[folder].handed;
    const uint64_t block = std::min(f.block, f.size > handed ? f.size - handed : 0);
    uint64_t making = std::min(times(block, ns_per_byte(folder, handed + block)), UINT64_MAX / 8);
    // Its decoder is set up before its first block and ended with its last.
    if (handed == 0) making += std::min(f.sides_ns, UINT64_MAX / 8) + f.memory_ns;
    if (handed + block >= f.size) making += f.memory_ns;
    return std::min<uint64_t>(making, UINT64_MAX / 2);
}

bool decoding_purses::spent(uint64_t spent_ns)
{
    if (spent_ns < charged_ns_) spent_ns = charged_ns_;
    const uint64_t used_ns = std::min<uint64_t>(spent_ns - charged_ns_, INT64_MAX / 4);
    // The clock's jumps come with the processor time the reading spends,
    // and so does the spare, by a share of that time, whoever spent it:
    // decoding that hands nothing over runs it out all the same.
    const uint64_t refill = spent_ns / kMax7zSpareShareOfTime - charged_ns_ / kMax7zSpareShareOfTime;
    spare_ = std::min<int64_t>(spare_ + static_cast<int64_t>(std::min(refill, kMax7zSpareNs)),
                               static_cast<int64_t>(kMax7zSpareNs));
    charged_ns_ = spent_ns;
    last_ns_ = used_ns;
    // An entry's own work is paid by its own allowance first; at a
    // folder's edge, the decoder of the folder before, which the library
    // ends as it sets the entry's folder's up, by what that folder may
    // take for its ending, and the set-up or ending of its own by its own.
    int64_t used = static_cast<int64_t>(used_ns);
    const auto pays = [&used](int64_t& own) {
        const int64_t paid = std::min(used, own);
        own -= paid;
        used -= paid;
    };
    if (entry_working_) pays(entry_ns_);
    if (entry_working_ && payer_ < folders_.size() && handed_last_ < folders_.size() && handed_last_ != payer_)
        pays(folders_[handed_last_].edges);
    if (at_edge_ && payer_ < folders_.size()) pays(folders_[payer_].edges);
    // What the one working has spent past what it may comes out of the
    // spare, while the spare lasts.
    int64_t& level = payer_ == seven_zip_reading::kNoFolder ? header_ns_ : folders_[payer_].level;
    const int64_t floor = payer_ == seven_zip_reading::kNoFolder
                              ? 0
                              : -static_cast<int64_t>(std::min<uint64_t>(advance_ns(payer_), INT64_MAX / 4));
    level = std::max<int64_t>(level - used, INT64_MIN / 4);
    if (level < floor) {
        spare_ -= floor - level;
        level = floor;
    }
    return spare_ >= 0;
}

void decoding_purses::pay_in(purse& to, uint64_t ns)
{
    // What it pays in goes to what it owes first, and past kSaved nowhere.
    const uint64_t room = static_cast<uint64_t>(kSaved - to.level);
    to.level = ns >= room ? kSaved : to.level + static_cast<int64_t>(ns);
}

void decoding_purses::handed_over(uint32_t folder, uint64_t bytes)
{
    if (folder >= folders_.size()) return;
    purse& p = folders_[folder];
    // BCJ2's side streams were handed over to the library with the first
    // byte, its decoder set up for it.
    const seven_zip_reading::folder_purse& f = reading_->folders[folder];
    const uint64_t sides = p.handed == 0 ? std::min(f.sides_ns, UINT64_MAX / 4) + f.memory_ns : 0;
    p.handed += bytes;
    handed_last_ = folder;
    pay_in(p, times(bytes, ns_per_byte(folder, p.handed)));
    pay_in(p, sides);
}

uint64_t decoding_purses::may_owe_ns() const
{
    return payer_ == seven_zip_reading::kNoFolder ? 0 : advance_ns(payer_);
}
