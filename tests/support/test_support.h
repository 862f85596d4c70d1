// Small helpers shared by the tests: private scratch folders, whole-file
// reads and writes, running a program to check it from outside, and waiting
// for something to happen.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

// A private folder made with mkdtemp, removed with everything in it when
// the object goes.  Without a `parent` it lies in scratch_root().
class scratch_dir {
public:
    explicit scratch_dir(const std::string& parent = "");
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    // The folder, ending in "/".
    const std::string& path() const { return path_; }
    // path() + relative
    std::string operator/(const std::string& relative) const { return path_ + relative; }

private:
    std::string path_;
};

// The one folder under /tmp that holds every scratch folder of this test
// program, made on first use and removed with everything in it when the
// program ends; one killed outright leaves it to the next test program of
// the same user, which removes it as it starts, with the run folders under
// /tmp/ that the program's own programs made (program_process marks them).
// A death test's child inherits it: that child runs its test again and dies
// without unwinding, so its scratch folders are left for the parent to
// remove.  Ends in "/".  Made first thing, while the program has one
// thread: the program then gets a mount table of its own where it may.
const std::string& scratch_root();

// Notes that this test program's own X server is display `number`, so that
// its socket under /tmp goes with the scratch root should both be killed.
void note_own_x_display(const std::string& number);

// HOME is a scratch folder while this lives, so the preference file, the
// registry of copies and a new copy's folder land there; the old HOME (or
// none) comes back after.
class scratch_home {
public:
    scratch_home();
    ~scratch_home();
    scratch_home(const scratch_home&) = delete;
    scratch_home& operator=(const scratch_home&) = delete;

    // The folder, ending in "/".
    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& relative) const { return dir_ / relative; }

private:
    scratch_dir dir_;
    std::string saved_;
    bool had_home_;
};

// Writes `bytes` to `path`, creating missing parent folders.
void write_file(const std::string& path, const std::string& bytes);
// The whole file, or "" when it cannot be read (see file_exists).
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
void remove_tree(const std::string& path);
// A file's inode and modification time to the nanosecond: the same when the
// file was left alone, other when it was written anew.  Zero for a file that
// is not there.
struct file_stamp {
    ino_t inode = 0;
    long long modified_ns = 0;
    bool operator==(const file_stamp& o) const { return inode == o.inode && modified_ns == o.modified_ns; }
};
file_stamp stamp_of(const std::string& path);
// `path` made `bytes` long and all holes, its folders made when missing: a
// file that takes long to read and no room on the disk.  False when it
// could not be made.
bool make_sparse(const std::string& path, long long bytes);
// The MD5 of some bytes in the manifest's lower-case hex, by md5sum.
std::string md5_hex(const std::string& bytes);
// Whether `part` occurs in `text`.
bool has(const std::string& text, const std::string& part);
// How often `part` occurs in `text` (a log, an access log).
int count_of(const std::string& text, const std::string& part);

struct run_result {
    int status = -1;   // exit status, or 128 + signal number
    std::string out;   // standard output and standard error together
};
// Runs argv[0] with the given arguments (no shell), with `env` added to the
// environment ("NAME=value" each), in `cwd` when not empty.
run_result run_program(const std::vector<std::string>& argv,
                       const std::vector<std::string>& env = {},
                       const std::string& cwd = "");
// What a program started from here needs in its environment ("NAME=value"
// each) to have `library` preloaded, before what this one preloads.
std::vector<std::string> preload_environment(const std::string& library);
// Whether the program runs under AddressSanitizer or ThreadSanitizer: a
// test's own code may be built without them while the product's is not, so
// it asks the runtime rather than its compiler.
bool under_sanitizer();
// The heap's bytes in use as the sanitizer counts them; 0 without one.
std::size_t sanitizer_heap_bytes();
// Whether a 7z reading whose log is `log` was refused for time under a
// sanitizer where its row expects another outcome: `expected` another code
// than the refusal's, or the refusal for `reason`, another reason (none:
// any).  The sanitizer's allocator marks the shadow of a whole dictionary
// as the decoder sets it up and ends it, pages the decoder never touches
// otherwise: 88 ms each way for 256 MiB under AddressSanitizer on a machine
// whose page faults took 10 us, and more on a busy one or under
// ThreadSanitizer, which the rates were not measured for.  Any other
// outcome is still judged there, and every row in the ordinary build.
bool refused_for_a_sanitizers_time(int expected, const char* reason, const std::string& log);

// A field of /proc/<pid>/status counted in kB ("VmSize:", "VmHWM:"), of
// this process when `pid` is 0; -1 when it has none.
long status_kb(const char* field, pid_t pid = 0);

// What `work` answered in a child process whose address space may grow by
// `headroom_kb` at most, with no free room in its heap to start with
// (without a bound under a sanitizer, whose shadow takes terabytes of it),
// and how far the child's resident peak grew meanwhile.  `result` is -1
// when the child died, an exception thrown through `work` too.  `prepare`,
// when given, runs in the child before the bound is set: what it leaves
// is what the child starts with.
struct bounded_result {
    int result = -1;
    long resident_growth_kb = -1;
};
bounded_result run_bounded(const std::function<int()>& work, long headroom_kb,
                           const std::function<void()>& prepare = nullptr);

// Runs a shell command line (for fixtures made with real tools).
run_result run_shell(const std::string& command);

// The log every program of ours rewrites on each run, beside its executable.
inline constexpr const char* program_log_name = "Nimbrel Installer Log.txt";
// The temporary folder under /tmp/ of the latest run a program's log tells
// of, ending in "/"; "" when it names none that the program could have made.
std::string run_folder_in_log(const std::string& log);

// Runs `check` in a child process without the rights that pass over
// permission bits: as the user "nobody" when the tests run as root, else as
// the test's own user with any such capability dropped.  The owner of what
// a test makes is that user when the test is not root, so a check that must
// be refused takes the right from the owner too (mode 0 for a file nobody
// may read, 0555 for a folder nobody may write in).  The result is what
// `check` returned, or -1 when the child could not drop the rights.
int run_unprivileged(const std::function<int()>& check);
// What run_unprivileged's child does first, for a child that goes on to
// start a program: false when the rights could not be dropped.
bool become_unprivileged();
// Gives `path` and everything in it to the user run_unprivileged runs as,
// for a check that changes what the test made; nothing to do when that is
// the test's own user.
void give_to_unprivileged(const std::string& path);

// The folder of the test program itself, ending in "/".
std::string test_program_dir();

// test-output/`name`/ below the build folder, made when missing: where tests
// keep what a person may want to look at afterwards (screenshots).  An
// absolute `name` is the folder itself.
std::string test_output_dir(const std::string& name);

// A fixture that takes seconds or more to make (gigabytes packed, a release
// of a file of gigabytes), in the build folder's own folder of them: the
// path of `name`, which `make` writes at the path it is given when it is
// not there yet; "" when that failed.  The fixture step of each test run
// (tests/support/programs/make_large_fixture.cpp, which CTest runs before
// the first test that needs it, on no test's clock) makes it anew; a test
// program run by itself makes what it lacks.
std::string large_fixture(const std::string& name, const std::function<bool(const std::string& path)>& make);
// From now on large_fixture makes each fixture anew, whatever is there: for
// the fixture step, as what an earlier run made may be of an older tool.
void make_large_fixtures_anew();

// Polls `done` every `poll_ms` until it holds or `seconds` have passed; true
// when it held.  `done` is asked once more at the deadline, so a slow check
// is never cut short.
bool wait_until(const std::function<bool()>& done, double seconds, int poll_ms = 100);

// How long a loop that waits on work (a manifest check, the pump, a
// transfer, frames, a program's install) may go on with nothing moving: a
// busy machine slows the work down, and only work that has stopped runs out
// of time, however long the work takes.  moving() takes what the work has
// done so far, counts that each of its steps changes (bytes, files, states,
// the frame clock) or a text of them (a folder's listing, a log), and is
// false once that stood the same for `seconds`.
class idle_limit {
public:
    explicit idle_limit(double seconds);
    bool moving(std::initializer_list<double> done) { return moving(std::vector<double>(done)); }
    bool moving(const std::vector<double>& done);
    bool moving(const std::string& done);

private:
    double seconds_;
    double since_;
    std::string last_;
};

// The mount points of this program's mount table at `folder` or below it.
std::vector<std::string> mount_points_below(std::string folder);

// A file system of its own of `size` ("1m") on `folder` while this lives,
// for a disk that is too small or fills up.  It is mounted only in the test
// program's own mount table (scratch_root), so it goes with the program
// however that ends.  Mounting needs the right to; tests skip when
// mounted() is false.
class small_disk {
public:
    small_disk(const std::string& folder, const std::string& size);
    ~small_disk();
    small_disk(const small_disk&) = delete;
    small_disk& operator=(const small_disk&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_;
};

}  // namespace testing_support
