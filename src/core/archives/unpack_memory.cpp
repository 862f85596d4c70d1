#include "core/archives/unpack_memory.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sstream>

#include "core/diag/log_stream.h"

namespace {

struct shares_held {
    std::mutex lock;
    std::condition_variable turn;
    uint64_t budget = 0;  // 0: the default
    // Tickets in the order shares were asked for; `serving` may take next.
    uint64_t next_ticket = 0;
    uint64_t serving = 0;
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

}  // namespace

unpack_memory_share::unpack_memory_share(uint64_t bytes, const std::string& archive) : bytes_(bytes)
{
    if (bytes == 0) return;  // a zip, or a 7z of nothing but stored data
    shares_held& s = shares();
    std::unique_lock<std::mutex> hold(s.lock);
    const uint64_t ticket = s.next_ticket++;
    const auto fits = [&] {
        const uint64_t budget = budget_locked(s);
        return s.serving == ticket &&
               (s.figures.held == 0 || (s.figures.held <= budget && bytes <= budget - s.figures.held));
    };
    if (!fits()) {
        ++s.figures.waited;
        std::ostringstream line;
        line << "Unpacking " << archive << " waits for " << bytes << " bytes of memory: " << s.figures.held
             << " of " << budget_locked(s) << " are held.\n";
        hold.unlock();
        xer << line.str();
        at_moment(unpack_memory_moment::waiting, bytes);
        hold.lock();
        s.turn.wait(hold, fits);
    }
    ++s.serving;
    s.figures.held += bytes;
    s.figures.peak = std::max(s.figures.peak, s.figures.held);
    ++s.figures.taken;
    // The next in line may fit beside this one.
    s.turn.notify_all();
    hold.unlock();
    at_moment(unpack_memory_moment::taken, bytes);
}

unpack_memory_share::~unpack_memory_share()
{
    if (bytes_ == 0) return;
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    s.figures.held -= bytes_;
    s.turn.notify_all();
}

uint64_t unpack_memory_budget()
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    return budget_locked(s);
}

void unpack_memory_set_budget(uint64_t bytes)
{
    shares_held& s = shares();
    std::lock_guard<std::mutex> hold(s.lock);
    s.budget = bytes;
    s.turn.notify_all();
}

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
    s.figures = unpack_memory_figures{s.figures.held, s.figures.held, 0, 0};
}

void unpack_memory_set_hook(unpack_memory_hook hook) { moment_hook.store(hook, std::memory_order_relaxed); }
