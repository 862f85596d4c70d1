// What a 7z reading's decoding may take, folder by folder: each folder pays
// for the processor time the library spends on its pack streams from what
// the folder hands over, the header from what its check read of it, and
// none for another (seven_zip_coders.h, kMax7zSavedNs).
//
// The reader tells it who the library works for (the pack stream it reads
// from, else the header, and each entry reached until its folder's data is
// begun), what each folder hands over and the processor time spent; it
// answers whether the one working has spent past what it may.
#pragma once

#include <cstdint>
#include <vector>

#include "core/archives/seven_zip_coders.h"

class decoding_purses {
public:
    // Everyone starts afresh: the header with what its check read of it,
    // each folder with nothing.
    void reset(const seven_zip_reading& reading);

    // The pack stream that holds the archive's byte `at`, else the first
    // that begins past it, else null; looked for first among `folder`'s.
    const seven_zip_reading::pack_stream* stream_from(uint64_t at, uint32_t folder) const;
    // Whether what `stream` holds from `at` to its end could still be
    // needed for what its coder claims and has not handed over
    // (seven_zip_packed_room); else, what it holds and what is left to
    // make into `held` and `left`.
    bool holds_only_its_claim(const seven_zip_reading::pack_stream& stream, uint64_t at, uint64_t* held,
                              uint64_t* left) const;

    // The processor time spent so far, `spent_ns` in all, went to the one
    // the library last worked for, an entry's own work first: false when
    // that one has spent past what it may.
    bool spent(uint64_t spent_ns);
    // From here the library works for `folder` (seven_zip_reading::
    // kNoFolder, or a folder the header does not list: the header), at one
    // of its streams' edges where `at_edge` (their first or last bytes,
    // p7z_reader.cpp), and an entry's own work is over.
    void working_for(uint32_t folder, bool at_edge)
    {
        payer_ = listed(folder);
        at_edge_ = at_edge;
        entry_ns_ = 0;
        entry_working_ = false;
    }
    // An entry of `folder` was reached: from here the library and the
    // reader work on it (its fields and name), which is no folder's
    // decoding and is paid by its own kMax7zEntryNs first, and at the
    // folder's edge, its decoder set up and the one before ended, until
    // its folder's streams are begun; what it leaves goes with it.
    void entry_reached(uint32_t folder)
    {
        payer_ = listed(folder);
        at_edge_ = true;
        entry_ns_ = static_cast<int64_t>(kMax7zEntryNs);
        entry_working_ = true;
    }
    bool entry_working() const { return entry_working_; }
    bool at_edge() const { return at_edge_; }
    uint32_t payer() const { return payer_; }
    // `folder` handed over `bytes` more.
    void handed_over(uint32_t folder, uint64_t bytes);

    // For the log: what the one working may owe for what it is making,
    // what was charged at the last look, and what `folder` handed over.
    uint64_t may_owe_ns() const;
    uint64_t last_ns() const { return last_ns_; }
    uint64_t handed(uint32_t folder) const { return folder < folders_.size() ? folders_[folder].handed : 0; }

private:
    struct purse {
        int64_t level = 0;    // paid in less spent, at most kMax7zSavedNs
        uint64_t handed = 0;  // bytes handed over
        int64_t edges = 0;    // what its set-up and its ending may still take
    };
    // `folder` where the header lists it, else the header.
    uint32_t listed(uint32_t folder) const
    {
        return folder < folders_.size() ? folder : seven_zip_reading::kNoFolder;
    }
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
    int64_t entry_ns_ = 0;   // what the entry at work may still take of its own
    bool entry_working_ = false;
    bool at_edge_ = false;
    // The folder that handed over last, whose decoder the library may end
    // as another's entry sets its own up.
    uint32_t handed_last_ = seven_zip_reading::kNoFolder;
    uint32_t payer_ = seven_zip_reading::kNoFolder;
    uint64_t charged_ns_ = 0;  // the time spent that went to someone
    uint64_t last_ns_ = 0;     // and at the last look
    // Where each folder's pack streams begin in reading_->packs, in turn
    // but for hand-made headers (its size where it has none).
    std::vector<size_t> first_packs_;
};
