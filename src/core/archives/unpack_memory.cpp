#include "core/archives/unpack_memory.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <iomanip>
#include <mutex>
#include <sstream>

#include "core/diag/address_space.h"
#include "core/diag/log_stream.h"

namespace {

// Room kept under an address-space limit for the rest of the program while
// tiles unpack: the copy's blocks, the readers' buffers, the header tables,
// thread stacks and the heap's own growth.
constexpr uint64_t kAddressRoomForTheRest = uint64_t{128} << 20;
// Room kept past a share judged as if none were held, a retry alone among
// them: what its unpacking allocates once its decoder has reserved the
// share, the reader's blocks (2 MiB), the writer's (256 KiB), and the
// library's as it hands an entry over (its name converted twice, some tens
// of KiB with names held to a path's length; a 64 KiB buffer), with the
// heap's growth besides.  The library ends the process when some of those
// allocations fail, so none may be left without room.
constexpr uint64_t kAddressRoomAlone = uint64_t{32} << 20;

// A share asking for its turn.  The line is linked through the askers' own
// stacks, so that nothing is allocated to join it or to leave it: leaving
// must not fail on the way out of a share that failed.
struct place_in_line {
    place_in_line* next = nullptr;
    const std::string* shown_as = nullptr;
    bool alone = false;
};

struct shares_held {
    std::mutex lock;
    std::condition_variable turn;
    uint64_t budget = 0;          // 0: the default
    uint64_t address_budget = 0;  // 0: what the limit leaves
    // The shares waiting or about to wait, in the order they asked; the
    // first may take next.
    place_in_line* first = nullptr;
    unsigned holders = 0;
    // A share taken alone stays alone while it is held: its decoder has yet
    // to reserve the room it waited for.  The name of what it unpacks.
    const std::string* alone_held = nullptr;
    unpack_memory_figures figures;
};

shares_held& shares()
{
    static shares_held held;
    return held;
}

std::atomic<unpack_memory_hook> moment_hook{nullptr};

void at_moment(unpack_memory_moment moment, uint64_t bytes)
{
    if (unpack_memory_hook hook = moment_hook.load(std::memory_order_relaxed)) hook(moment, bytes);
}

uint64_t quarter_of_physical_memory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
    // Unknown: as much as one tile at -mx=9 asks for.
    if (pages <= 0 || page <= 0) return uint64_t{256} << 20;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page) / 4;
}

// Asked of the system once, not at every look of a waiting share.
uint64_t budget_locked(const shares_held& s)
{
    static const uint64_t quarter = quarter_of_physical_memory();
    return s.budget ? s.budget : quarter;
}

uint64_t minus(uint64_t a, uint64_t b) { return a > b ? a - b : 0; }

// The address space the shares may take, at one look.
struct address_room {
    bool limited = false;  // a limit or a test's budget bounds it
    bool known = true;     // the program's own address space could be read
    uint64_t beside = UINT64_MAX;  // for a share beside those held
    uint64_t alone = UINT64_MAX;   // for a share were none held
    uint64_t limit = 0;
};

address_room look(const shares_held& s)
{
    address_room room;
    const uint64_t held = s.figures.address_held;
    if (s.address_budget) {
        room.limited = true;
        room.beside = minus(s.address_budget, held);
        return room;  // a test's budget: alone, a share always fits
    }
    const uint64_t limit = address_space_limit();
    if (!limit) return room;
    room.limited = true;
    room.limit = limit;
    uint64_t in_use = 0;
    if (!program_address_space(in_use)) {
        room.known = false;
        room.beside = room.alone = 0;
        return room;
    }
    // The held shares' decoders may not have reserved their memory yet: they
    // are counted whole beside the program.
    room.beside = minus(limit, in_use + kAddressRoomForTheRest + held);
    // Were they given back, at most all of it would come back.  Alone, a
    // share is refused only when it could not fit at all: no other decoder
    // holds any room then, and the rest of the program holds what it
    // holds, but for what the unpacking itself takes past its share.
    room.alone = minus(limit, minus(in_use, held) + kAddressRoomAlone);
    return room;
}

bool fits_beside(uint64_t bytes, uint64_t held, uint64_t budget) { return held <= budget && bytes <= budget - held; }

enum class verdict { take, wait, never };

verdict judge(const shares_held& s, const unpack_memory_need& need, unpack_memory_share::turn when, bool first,
              const address_room& room)
{
    if (room.known && need.address > room.alone) return verdict::never;
    if (!first || s.alone_held) return verdict::wait;
    if (s.holders == 0) return verdict::take;
    if (when == unpack_memory_share::turn::alone || !room.known) return verdict::wait;
    return fits_beside(need.resident, s.figures.held, budget_locked(s)) && need.address <= room.beside
               ? verdict::take
               : verdict::wait;
}

std::string mib(uint64_t bytes)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << static_cast<double>(bytes) / (1 << 20) << " MiB";
    return text.str();
}

void leave_line(shares_held& s, place_in_line* me)
{
    for (place_in_line** p = &s.first; *p; p = &(*p)->next)
        if (*p == me) {
            *p = me->next;
            --s.figures.in_line;
            break;
        }
}

// Joins the line on construction and leaves it however the asker goes:
// taking its share, or failing while it waits, when the next in line must
// not wait behind it for ever.
class waiting_turn {
public:
    waiting_turn(shares_held& s, std::unique_lock<std::mutex>& hold, const std::string& shown_as, bool alone)
        : s_(s), hold_(hold)
    {
        me_.shown_as = &shown_as;
        me_.alone = alone;
        place_in_line** last = &s.first;
        while (*last) last = &(*last)->next;
        *last = &me_;
        ++s.figures.in_line;
    }
    ~waiting_turn()
    {
        if (!hold_.owns_lock()) hold_.lock();
        leave_line(s_, &me_);
        // The next in line may fit now.
        s_.turn.notify_all();
    }
    waiting_turn(const waiting_turn&) = delete;
    waiting_turn& operator=(const waiting_turn&) = delete;
    bool first() const { return s_.first == &me_; }
    // The first share ahead of this one that waits to go alone, or null.
    const place_in_line* alone_ahead() const
    {
        for (const place_in_line* p = s_.first; p && p != &me_; p = p->next)
            if (p->alone) return p;
        return nullptr;
    }

private:
    shares_held& s_;
    std::unique_lock<std::mutex>& hold_;
    place_in_line me_;
};

// What the log says of a share that waits, and why.
std::string waiting_line(const shares_held& s, const unpack_memory_need& need, const std::string& shown_as,
                         unpack_memory_share::turn when, const address_room& room, const waiting_turn& place)
{
    std::ostringstream line;
    line << "Unpacking " << shown_as << " waits for " << mib(need.resident) << " of memory and "
         << mib(need.address) << " of address space: " << mib(s.figures.held) << " of " << mib(budget_locked(s))
         << " of memory are held";
    const place_in_line* retry = place.alone_ahead();
    if (!room.known)
        line << ", and unpackings take turns";
    else if (when == unpack_memory_share::turn::alone)
        line << ", and it waits for its turn alone";
    else if (s.alone_held)
        line << ", and another unpacking holds its turn alone: " << *s.alone_held << ", which tries again alone";
    else if (retry)
        line << ", and it waits behind unpacking " << *retry->shown_as << ", which tries again alone";
    else if (room.limited)
        line << ", and " << mib(s.figures.address_held) << " of address space with " << mib(room.beside)
             << " left beside it";
    line << ".\n";
    return line.str();
}

// A test's budget; the waiting shares look again.
void set_budget(uint64_t shares_held::*budget, uint64_t bytes)
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    s.*budget = bytes;
    s.turn.notify_all();
}

}  // namespace

unpack_memory_share::unpack_memory_share(const unpack_memory_need& need, const std::string& shown_as, turn when)
    : need_(need), shown_as_(shown_as)
{
    if (need.resident == 0 && need.address == 0) return;  // a zip, or an empty 7z
    shares_held& s = shares();
    std::unique_lock<std::mutex> hold(s.lock);
    address_room room;
    std::string notes;
    {
        waiting_turn place(s, hold, shown_as_, when == turn::alone);
        room = look(s);
        if (!room.known)
            notes = "The program's address space cannot be read: unpacking " + shown_as + " takes its turn alone.\n";
        verdict v = judge(s, need, when, place.first(), room);
        if (v == verdict::wait) {
            ++s.figures.waited;
            notes += waiting_line(s, need, shown_as, when, room, place);
            hold.unlock();
            xer << notes;
            notes.clear();
            at_moment(unpack_memory_moment::waiting, need.resident);
            hold.lock();
            s.turn.wait(hold, [&] {
                room = look(s);
                v = judge(s, need, when, place.first(), room);
                return v != verdict::wait;
            });
        }
        if (v == verdict::never) {
            result_ = ENOMEM;
        } else {
            held_ = true;
            alone_ = when == turn::alone;
            if (alone_) s.alone_held = &shown_as_;
            ++s.holders;
            unpack_memory_figures& f = s.figures;
            f.held += need.resident;
            f.address_held += need.address;
            f.peak = std::max(f.peak, f.held);
            f.address_peak = std::max(f.address_peak, f.address_held);
            ++f.taken;
        }
    }
    hold.unlock();
    if (result_) {
        xer << notes << "Unpacking " << shown_as << " needs " << mib(need.address)
            << " of address space, but the limit on the program's address space (" << mib(room.limit)
            << ") leaves it " << mib(room.alone) << " past the " << mib(kAddressRoomAlone)
            << " its unpacking takes besides.\n";
        return;
    }
    if (!notes.empty()) xer << notes;
    try {
        at_moment(unpack_memory_moment::taken, need.resident);
    } catch (...) {
        // The destructor of a share whose constructor throws never runs.
        give_back();
        throw;
    }
}

unpack_memory_share::~unpack_memory_share() { give_back(); }

void unpack_memory_share::give_back()
{
    if (!held_) return;
    held_ = false;
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    --s.holders;
    if (alone_) s.alone_held = nullptr;
    s.figures.held -= need_.resident;
    s.figures.address_held -= need_.address;
    s.turn.notify_all();
}

std::string unpack_memory_share_text(const unpack_memory_need& need)
{
    std::ostringstream text;
    text << "its share was " << mib(need.resident) << " of memory and " << mib(need.address) << " of address space";
    const uint64_t limit = address_space_limit();
    uint64_t in_use = 0;
    if (!limit)
        text << ", with no limit on the program's address space";
    else if (program_address_space(in_use))
        text << ", and the program holds " << mib(in_use) << " of address space under a limit of " << mib(limit);
    else
        text << ", under a limit on the program's address space of " << mib(limit);
    return text.str();
}

uint64_t unpack_memory_budget()
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    return budget_locked(s);
}

void unpack_memory_set_budget(uint64_t bytes) { set_budget(&shares_held::budget, bytes); }

void unpack_memory_set_address_budget(uint64_t bytes) { set_budget(&shares_held::address_budget, bytes); }

unpack_memory_figures unpack_memory_now()
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.figures;
}

void unpack_memory_reset_figures()
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    unpack_memory_figures& f = s.figures;
    f = unpack_memory_figures{f.held, f.held, f.address_held, f.address_held, 0, 0, f.in_line};
}

void unpack_memory_set_hook(unpack_memory_hook hook) { moment_hook.store(hook, std::memory_order_relaxed); }
