#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform_qt/port_diagnosis.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

bool IsTerminal(const std::string& location) {
    const int fd = ::open(location.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return true;  // cannot look: do not claim otherwise
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    return terminal;
}

// The process's command: its program's file name and its arguments ("screen
// /dev/ttyUSB0 4800"; the short name in comm is cut at 15 characters,
// "kavro-switch-co"), or comm for a process without one (a kernel thread).
std::string ProcessName(long pid) {
    constexpr std::size_t kLongest = 120;
    const std::string folder = "/proc/" + std::to_string(pid);
    std::ifstream cmdline(folder + "/cmdline", std::ios::binary);
    std::string name((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    while (!name.empty() && name.back() == '\0') name.pop_back();
    const std::size_t programEnd = std::min(name.find('\0'), name.size());
    const std::size_t slash = name.rfind('/', programEnd);
    if (slash != std::string::npos && programEnd > slash + 1) name.erase(0, slash + 1);
    for (char& c : name)
        if (c == '\0' || static_cast<unsigned char>(c) < 0x20) c = ' ';
    if (name.size() > kLongest) name = name.substr(0, kLongest - 3) + "...";
    if (name.empty()) {
        std::ifstream comm(folder + "/comm");
        if (!std::getline(comm, name) || name.empty()) return {};
    }
    return name + ", process " + std::to_string(pid);
}

// Lock files of the UUCP kind, which Qt, minicom and others write: the
// holder's process number first.
long PidFromLockFile(const std::string& location) {
    std::string name = location.rfind("/dev/", 0) == 0 ? location.substr(5) : fs::path(location).filename().string();
    for (char& c : name)
        if (c == '/') c = '_';
    for (const char* folder : {"/var/lock/", "/run/lock/", "/tmp/"}) {
        std::ifstream lock(folder + std::string("LCK..") + name);
        long pid = 0;
        if (lock >> pid && pid > 0 && pid != ::getpid() && fs::exists("/proc/" + std::to_string(pid))) return pid;
    }
    return 0;
}

// A process with the device open, from its open files (only those this
// user may look into).
long PidHoldingOpen(const std::string& location) {
    std::error_code error;
    const fs::path device = fs::canonical(location, error);
    if (error) return 0;
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string pidText = process.path().filename().string();
        if (pidText.find_first_not_of("0123456789") != std::string::npos) continue;
        const long pid = std::stol(pidText);
        if (pid == ::getpid()) continue;
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd.path(), linkError) == device) return pid;
        }
    }
    return 0;
}

}  // namespace

OpenStatus ClassifyOpenFailure(QSerialPort::SerialPortError error, const std::string& location) {
    struct stat info {};
    if (::stat(location.c_str(), &info) != 0) return errno == EACCES ? OpenStatus::PermissionDenied : OpenStatus::NotFound;
    if (!S_ISCHR(info.st_mode)) return OpenStatus::NotSerialPort;
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError)
        return ::access(location.c_str(), R_OK | W_OK) == 0 ? OpenStatus::Busy : OpenStatus::PermissionDenied;
    if (error == QSerialPort::DeviceNotFoundError) return OpenStatus::NotFound;
    return IsTerminal(location) ? OpenStatus::Failed : OpenStatus::NotSerialPort;
}

std::string PortHolder(const std::string& location) {
    long pid = PidFromLockFile(location);
    if (pid == 0) pid = PidHoldingOpen(location);
    return pid ? ProcessName(pid) : std::string();
}

void DescribeRefusal(const std::string& location, OpenResult& result) {
    DeviceAccess& a = result.access;
    const uid_t uid = ::getuid();
    gid_t primary = ::getgid();
    if (const passwd* user = ::getpwuid(uid)) a.user = user->pw_name, primary = user->pw_gid;
    a.superuser = ::geteuid() == 0;
    for (const char* name : {"dialout", "uucp"})  // Debian's, then Arch's and Fedora's older one
        if (::getgrnam(name)) {
            a.serialGroup = name;
            break;
        }
    struct stat info {};
    if (::stat(location.c_str(), &info) != 0) return;
    a.known = true;
    a.location = location;
    a.mode = info.st_mode & 07777;
    a.userOwnsIt = info.st_uid == uid;
    const passwd* owner = ::getpwuid(info.st_uid);
    a.owner = owner ? owner->pw_name : std::to_string(info.st_uid);
    const group* deviceGroup = ::getgrgid(info.st_gid);
    a.group = deviceGroup ? deviceGroup->gr_name : std::to_string(info.st_gid);
    // The group list as the next login gets it: the user's own group and
    // every group that names the user.
    if (!a.user.empty()) {
        int count = 32;
        std::vector<gid_t> groups(count);
        while (::getgrouplist(a.user.c_str(), primary, groups.data(), &count) < 0) groups.resize(count *= 2);
        groups.resize(count);
        a.userInGroup = std::find(groups.begin(), groups.end(), info.st_gid) != groups.end();
    }
    // The groups this process runs with: the login's, fixed when it began.
    std::vector<gid_t> held(std::max(::getgroups(0, nullptr), 0));
    held.resize(std::max(::getgroups(static_cast<int>(held.size()), held.data()), 0));
    a.loginHasGroup = ::getegid() == info.st_gid || std::find(held.begin(), held.end(), info.st_gid) != held.end();
}

}  // namespace kavro
