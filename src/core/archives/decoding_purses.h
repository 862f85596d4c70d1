// What a 7z reading's decoding may take, folder by folder: each folder pays
// for the processor time the library spends on its pack streams from what
// the folder hands over, the header from what its check read of it, and
// none for another (seven_zip_coders.h, kMax7zSavedNs).
//
// The reader tells it who the library works for (the pack stream it reads
// from, else the header), what each folder hands over, each entry reached
// and the processor time spent; it answers whether the one working has
// spent past what it may.
#pragma once

#include <cstdint>
#include <vector>

#include "core/archives/seven_zip_coders.h"

class decoding_purses {
public:
    // Everyone starts afresh: the header with what its check read of it,
    // each folder with nothing.
    void reset(const seven_zip_reading& reading);

    // The pack stream of a folder that holds the archive's byte `at`, or
    // null (the header, or bytes no folder reads); looked for first among
    // `folder`'s.
    const seven_zip_reading::pack_stream* stream_at(uint64_t at, uint32_t folder) const;
    // Whether a pack stream has a tail (seven_zip_reading::pack_stream).
    bool any_tail() const { return any_tail_; }
    // Whether what `stream` holds from `at` to its end could still be
    // needed for what its coder claims and has not handed over
    // (seven_zip_packed_room); else, what it holds and what is left to
    // make into `held` and `left`.
    bool holds_only_its_claim(const seven_zip_reading::pack_stream& stream, uint64_t at, uint64_t* held,
                              uint64_t* left) const;

    // The processor time spent so far, `spent_ns` in all over `lasted_ns`
    // of the wall clock, went to the one the library last worked for:
    // false when that one has spent past what it may.  From `working_for`
    // on, the library works for `folder` (seven_zip_reading::kNoFolder,
    // or a folder the header does not list: the header).
    bool spent(uint64_t spent_ns, uint64_t lasted_ns);
    void working_for(uint32_t folder) { payer_ = folder < folders_.size() ? folder : seven_zip_reading::kNoFolder; }
    uint32_t payer() const { return payer_; }
    // `folder` handed over `bytes` more.
    void handed_over(uint32_t folder, uint64_t bytes);
    // An entry was reached: the work the library and the reader do for it
    // is no folder's decoding, and refills the spare (kMax7zEntryNs).
    void entry_reached();

    // For the log: what the one working may owe for what it is making,
    // what was charged at the last look, and what `folder` handed over.
    uint64_t may_owe_ns() const;
    uint64_t last_ns() const { return last_ns_; }
    uint64_t handed(uint32_t folder) const { return folder < folders_.size() ? folders_[folder].handed : 0; }

private:
    struct purse {
        int64_t level = 0;    // paid in less spent, at most kMax7zSavedNs
        uint64_t handed = 0;  // bytes handed over
    };
    uint64_t ns_per_byte(uint32_t folder, uint64_t upto) const;
    // What `folder` may spend past what it holds: the block the library is
    // making for it, paid for as it is made, and BCJ2's side streams before
    // its first byte.
    uint64_t advance_ns(uint32_t folder) const;
    void pay_in(purse& to, uint64_t ns);

    const seven_zip_reading* reading_ = nullptr;
    std::vector<purse> folders_;
    int64_t header_ns_ = 0;  // what the header may still take
    int64_t spare_ = 0;      // kMax7zSpareNs, less what was taken from it
    uint32_t payer_ = seven_zip_reading::kNoFolder;
    uint64_t charged_ns_ = 0;  // the time spent that went to someone
    uint64_t last_ns_ = 0;     // and at the last look
    uint64_t lasted_ns_ = 0;   // the wall clock's, at the last look
    // Where each folder's pack streams begin in reading_->packs, in turn
    // but for hand-made headers (its size where it has none).
    std::vector<size_t> first_packs_;
    bool any_tail_ = false;
};
