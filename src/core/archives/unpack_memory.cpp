#include "core/archives/unpack_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "core/diag/log_stream.h"

namespace {

// Room kept under an address-space limit for the rest of the program while
// tiles unpack: the copy's blocks, the readers' buffers, the header tables,
// thread stacks and the heap's own growth.
constexpr uint64_t kAddressRoomForTheRest = uint64_t{128} << 20;

// A share asking for its turn.  The line is linked through the askers' own
// stacks, so that nothing is allocated to join it or to leave it: leaving
// must not fail on the way out of a share that failed.
struct place_in_line {
    place_in_line* next = nullptr;
};

struct shares_held {
    std::mutex lock;
    std::condition_variable turn;
    uint64_t budget = 0;          // 0: the default
    uint64_t address_budget = 0;  // 0: what the limit leaves
    // What the address-space limit left when the last share was taken with
    // none held.
    uint64_t address_left = UINT64_MAX;
    // The shares waiting or about to wait, in the order they asked; the
    // first may take next.
    place_in_line* first = nullptr;
    unsigned holders = 0;
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

// What the address-space limit leaves for shares now, UINT64_MAX without a
// limit.  The program's own address space is read while no share is held,
// so that no decoder's dictionary is counted in it.
uint64_t address_left_now()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    unsigned long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const uint64_t in_use = static_cast<uint64_t>(pages) * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)) +
                            kAddressRoomForTheRest;
    return limit.rlim_cur > in_use ? limit.rlim_cur - in_use : 0;
}

uint64_t address_budget_locked(const shares_held& s)
{
    return s.address_budget ? s.address_budget : s.address_left;
}

bool fits_beside(uint64_t bytes, uint64_t held, uint64_t budget) { return held <= budget && bytes <= budget - held; }

void leave_line(shares_held& s, place_in_line* me)
{
    for (place_in_line** p = &s.first; *p; p = &(*p)->next)
        if (*p == me) {
            *p = me->next;
            break;
        }
}

// Joins the line on construction and leaves it however the asker goes:
// taking its share, or failing while it waits, when the next in line must
// not wait behind it for ever.
class waiting_turn {
public:
    waiting_turn(shares_held& s, std::unique_lock<std::mutex>& hold) : s_(s), hold_(hold)
    {
        place_in_line** last = &s.first;
        while (*last) last = &(*last)->next;
        *last = &me_;
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

private:
    shares_held& s_;
    std::unique_lock<std::mutex>& hold_;
    place_in_line me_;
};

// A test's budget; the waiting shares look again.
void set_budget(uint64_t shares_held::*budget, uint64_t bytes)
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    s.*budget = bytes;
    s.turn.notify_all();
}

}  // namespace

unpack_memory_share::unpack_memory_share(const unpack_memory_need& need, const std::string& archive) : need_(need)
{
    if (need.resident == 0 && need.address == 0) return;  // a zip, or a 7z of stored data
    shares_held& s = shares();
    std::unique_lock<std::mutex> hold(s.lock);
    {
        waiting_turn turn(s, hold);
        const auto fits = [&] {
            return turn.first() &&
                   (s.holders == 0 || (fits_beside(need.resident, s.figures.held, budget_locked(s)) &&
                                       fits_beside(need.address, s.figures.address_held, address_budget_locked(s))));
        };
        if (!fits()) {
            ++s.figures.waited;
            std::ostringstream line;
            line << "Unpacking " << archive << " waits for " << need.resident << " bytes of memory and "
                 << need.address << " of address space: " << s.figures.held << " of " << budget_locked(s) << " and "
                 << s.figures.address_held << " of " << address_budget_locked(s) << " are held.\n";
            hold.unlock();
            xer << line.str();
            at_moment(unpack_memory_moment::waiting, need.resident);
            hold.lock();
            s.turn.wait(hold, fits);
        }
        if (s.holders == 0) s.address_left = address_left_now();
        ++s.holders;
        unpack_memory_figures& f = s.figures;
        f.held += need.resident;
        f.address_held += need.address;
        f.peak = std::max(f.peak, f.held);
        f.address_peak = std::max(f.address_peak, f.address_held);
        ++f.taken;
    }
    hold.unlock();
    at_moment(unpack_memory_moment::taken, need.resident);
}

unpack_memory_share::~unpack_memory_share()
{
    if (need_.resident == 0 && need_.address == 0) return;
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    --s.holders;
    s.figures.held -= need_.resident;
    s.figures.address_held -= need_.address;
    s.turn.notify_all();
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
    f = unpack_memory_figures{f.held, f.held, f.address_held, f.address_held, 0, 0};
}

void unpack_memory_set_hook(unpack_memory_hook hook) { moment_hook.store(hook, std::memory_order_relaxed); }
