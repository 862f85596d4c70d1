#include "held_opens.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace testing_support {

namespace {

// Marks `folder` and every folder below it; "" or the first failure.
std::string mark_tree(int fan, const std::string& folder)
{
    if (fanotify_mark(fan, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, folder.c_str()) != 0)
        return "fanotify_mark " + folder + ": " + std::strerror(errno);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return "opendir " + folder + ": " + std::strerror(errno);
    std::string problem;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (entry->d_type != DT_DIR || name == "." || name == "..") continue;
        problem = mark_tree(fan, folder + (folder.back() == '/' ? "" : "/") + name);
        if (!problem.empty()) break;
    }
    closedir(dir);
    return problem;
}

}  // namespace

held_opens::held_opens(const std::string& folder)
{
    fan_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_CLOEXEC | O_LARGEFILE);
    if (fan_ < 0) {
        problem_ = std::string("fanotify_init: ") + std::strerror(errno) + " (holding opens needs root)";
        return;
    }
    problem_ = mark_tree(fan_, folder);
    if (!problem_.empty() || ::pipe2(wake_, O_CLOEXEC) != 0) {
        if (problem_.empty()) problem_ = std::string("pipe: ") + std::strerror(errno);
        ::close(fan_);
        fan_ = -1;
        return;
    }
    thread_ = std::thread([this] { answer_events(); });
}

held_opens::~held_opens()
{
    if (fan_ < 0) return;
    release();
    const char stop = 0;
    (void)!::write(wake_[1], &stop, 1);
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
    ::close(fan_);
}

bool held_opens::wait_for_open(double seconds)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return opened_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return seen_ > 0; });
}

void held_opens::release()
{
    std::vector<int> waiting;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        holding_ = false;
        waiting.swap(waiting_);
    }
    for (int fd : waiting) allow(fd);
}

void held_opens::allow(int event_fd)
{
    const fanotify_response response = {event_fd, FAN_ALLOW};
    (void)!::write(fan_, &response, sizeof response);
    ::close(event_fd);
}

void held_opens::answer_events()
{
    alignas(fanotify_event_metadata) char buffer[4096];
    const pid_t self = ::getpid();
    for (;;) {
        pollfd fds[2] = {{fan_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const ssize_t n = ::read(fan_, buffer, sizeof buffer);
        if (n <= 0) continue;
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (ssize_t left = n; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            if (event->fd < 0) continue;
            if (!(event->mask & FAN_OPEN_PERM)) {
                ::close(event->fd);
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (holding_ && event->pid != self) {
                    waiting_.push_back(event->fd);
                    ++seen_;
                    opened_.notify_all();
                    continue;
                }
            }
            allow(event->fd);
        }
    }
}

}  // namespace testing_support
