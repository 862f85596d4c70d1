// Quitting while the pumps run: their workers must be gone before the
// program frees what they write into.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "core/core_globals.h"
#include "core/shell_hooks.h"
#include "core/threads/exce.h"
#include "core/threads/thread_layer.h"
#include "core/threads/utl_thread.h"
#include "engine/checksum_pump.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"
#include "engine/run_temp_folder.h"
#include "engine/stop_pumps.h"
#include "dvd_fixtures.h"
#include "engine_test_support.h"
#include "pump_fixture.h"

namespace {

using testing_support::make_sparse;
using testing_support::scratch_dir;
using testing_support::write_file;

class StoppingPumps : public engine_testing::pump_test {
protected:
    void SetUp() override
    {
        pump_test::SetUp();
        one_processor();
    }
    // The files of `disks`' first disk, every one to be installed.
    void plan_from_first_disk(const engine_testing::dvd_set& disks)
    {
        disks.load_manifest();
        for (file_history_struct& h : sim_info) h.back().do_install = 1;
        dvd_path = disks.disk_folder(0);
        install_name = disks.release();
    }
    // Everything the workers could still write into goes away, as it does
    // when the program ends; AddressSanitizer catches any late write.
    void free_engine_state()
    {
        sim_info.clear();
        temp_path.clear();
        temp_path.shrink_to_fit();
    }
};

TEST_F(StoppingPumps, AChecksumRunStopsAfterTheFileBeingReadAndDropsTheRest)
{
    for (int i = 0; i < 40; ++i) {
        write_file(dest_ / ("f" + std::to_string(i)), "x");
        file_version_struct v;
        v.path = "top/f" + std::to_string(i);
        sim_info.push_back({v});
    }
    // A big first file keeps the one worker busy while the rest wait.
    ASSERT_TRUE(make_sparse(dest_ / "f0", 64 << 20));
    int cursor = 0;
    float progress = 0;
    ASSERT_EQ(checksum_directory(cursor, 0, progress), 0);

    UTL_stop_all_pumps();
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_EQ(sim_info[39].back().sig_have, "") << "tasks not begun were dropped";
    free_engine_state();

    // The pumps work again afterwards.
    cursor = 0;
    EXPECT_EQ(checksum_directory(cursor, 0, progress), 1);
}

TEST_F(StoppingPumps, ADvdInstallStopsWithNoWorkerLeftAndNoCopyBehind)
{
    std::vector<engine_testing::dvd_file> files;
    for (int i = 0; i < 60; ++i) files.push_back({"top/f" + std::to_string(i), std::string(50000, 'y'), 0});
    engine_testing::dvd_set disks(files);
    plan_from_first_disk(disks);
    int cursor = 0;
    install_files(cursor, 0);
    ASSERT_NE(copy_pool, nullptr);

    UTL_stop_all_pumps();
    EXPECT_EQ(copy_pool, nullptr);
    EXPECT_EQ(unzip_pool, nullptr);
    EXPECT_EQ(files_in_temp(), 0u) << "no copy stays in the temporary folder";
    free_engine_state();
}

// -- A fatal end beside the DVD pump's copies ---

// Where the fatal alert comes from while the second file's copy begins, in
// its use of the run's folder.
enum class raised_by { main_thread, copy_handed_over, copy_itself };
raised_by fatal_from;
std::atomic<bool> copy_begun{false}, late_write_done{false};
bool late_write = false;  // plain: the sanitizer sees whether the removal waited for it

void at_the_second_copy(installer_task_step step, int history)
{
    if (step != installer_task_step::copy || history != 1) return;
    if (fatal_from != raised_by::main_thread) {
        __MACIBM_alert(0, "Fatal inside a copy", "", "", "", 2, __FILE__, __LINE__);
        return;
    }
    copy_begun = true;
    // Written as the removal has begun: it must wait for this use.
    while (!run_folder_going().load()) sched_yield();
    const int fd = ::open((temp_path + "late.zip").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    late_write = fd >= 0;
    if (fd >= 0) ::close(fd);
    late_write_done.store(true, std::memory_order_relaxed);
}

// The finish-up of a fatal end, as the shell's removes the run's folder.
void finish_up(int)
{
    remove_run_temp_folder();
    if (fatal_from != raised_by::main_thread) return;
    while (!late_write_done.load(std::memory_order_relaxed)) sched_yield();
    // The folder stood for as long as the copy's use lasted.
    if (!late_write) _exit(5);
}

// A fatal end ends the program while the DVD pump copies into the run's
// folder: the folder is gone, nothing landed outside it (the program's
// working folder), and the program ended on the alert, not hung.  The
// copy under way when it comes is waited for; a copy that raised it,
// whose thread ends there or removes the folder itself, is not.
TEST_F(StoppingPumps, AFatalEndRemovesTheRunFolderOnlyOnceTheCopiesInItAreDone)
{
    std::vector<engine_testing::dvd_file> files;
    for (int i = 0; i < 6; ++i) files.push_back({"top/f" + std::to_string(i), std::string(50000, 'z'), 0});
    engine_testing::dvd_set disks(files);
    plan_from_first_disk(disks);
    installer_tasks_set_hook(at_the_second_copy);

    for (raised_by from : {raised_by::main_thread, raised_by::copy_handed_over, raised_by::copy_itself}) {
        SCOPED_TRACE(static_cast<int>(from));
        testing_support::scratch_dir work;
        ASSERT_EQ(make_run_temp_folder(), 0);
        const std::string made = temp_path;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!std::freopen("/dev/null", "w", stdout)) _exit(4);  // the alert's lines
            fatal_from = from;
            set_alert_hook(nullptr);
            set_finishup_hook(finish_up);
            if (::chdir(work.path().c_str()) != 0) _exit(2);
            if (from == raised_by::copy_handed_over) THREAD_init();
            int cursor = 0;
            for (;;) {
                if (from == raised_by::main_thread && copy_begun)
                    __MACIBM_alert(0, "Fatal beside a copy", "", "", "", 2, __FILE__, __LINE__);
                install_files(cursor, 0);
                THREAD_check_exception(1);
            }
        }
        int status = 0;
        const bool ended = testing_support::wait_until([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 60);
        if (!ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        EXPECT_TRUE(ended) << "the fatal end hung";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << "status " << status;
        EXPECT_FALSE(testing_support::file_exists(made)) << made << " outlived the fatal end";
        testing_support::remove_tree(made);
        run_temp_folder_forget();
        // But the fatal end's own reports.
        EXPECT_EQ(testing_support::run_shell("cd '" + work.path() +
                                             "' && ls -A | grep -vx -e stack_crawl.txt -e MemoryLog.txt")
                      .out,
                  "")
            << "written outside the run's folder";
    }
}

TEST_F(StoppingPumps, StoppingIdlePumpsDoesNothing)
{
    UTL_stop_all_pumps();
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_EQ(copy_pool, nullptr);
}

}  // namespace
