// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/TestMount.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

// A folder served again through tests/support/fuse-passthrough.py in the
// test's own mount namespace, as a share with an attribute cache would be;
// unmounted lazily when the object goes. Needs root: skip with
// SKIP_UNLESS_FUSE() first.
class FuseMount
{
public:
    struct Options {
        double attrTimeout = 1.0;         // seconds the kernel keeps attributes and entries
        int latencyMs = 0;                // before each call
        std::string changeAfterFirstRead; // base name of a file the server changes after its first read
        bool grow = false;                // ... by appending 1 MiB rather than overwriting its middle
        std::string hangRead;             // base name whose reads never answer
        std::string hangGetattr;          // base name whose status and lookup never answer
        // Read-only, as shares often are: the kernel then answers statuses
        // from its cache even right after a read.
        bool readOnly = false;
        // The mount names its source folder as its source, as bindfs does.
        bool namesSource = false;
    };

    // Why no FUSE mount can be made here; empty when one can.
    static const std::string &unavailable()
    {
        static const std::string why = findWhyNot();
        return why;
    }

    FuseMount(const std::string &source, std::string mountPoint) : FuseMount(source, std::move(mountPoint), Options())
    {
    }
    FuseMount(const std::string &source, std::string mountPoint, const Options &options)
        : mountPoint_(std::move(mountPoint))
    {
        if (!unavailable().empty() || !TestMount::ownNamespace())
            return;
        char dir[] = "/tmp/varnok-fuse-XXXXXX";
        if (!::mkdtemp(dir))
            return;
        readyDir_ = dir;
        const std::string ready = readyDir_ + "/ready";
        std::vector<std::string> args{VARNOK_FUSE_PASSTHROUGH,
                                      source,
                                      mountPoint_,
                                      "--ready-file",
                                      ready,
                                      "--attr-timeout",
                                      std::to_string(options.attrTimeout),
                                      "--latency-ms",
                                      std::to_string(options.latencyMs)};
        auto add = [&](const char *flag, const std::string &value) {
            if (!value.empty())
                args.insert(args.end(), {flag, value});
        };
        add("--change-after-first-read", options.changeAfterFirstRead);
        if (!options.changeAfterFirstRead.empty())
            add("--change-mode", options.grow ? "grow" : "same-size");
        add("--hang-read", options.hangRead);
        add("--hang-getattr", options.hangGetattr);
        if (options.readOnly)
            args.push_back("--read-only");
        if (options.namesSource)
            args.push_back("--name-source");
        server_ = spawn(args);
        mounted_ = server_ > 0 && waitFor(ready);
    }
    ~FuseMount() { unmount(); }
    FuseMount(const FuseMount &) = delete;
    FuseMount &operator=(const FuseMount &) = delete;

    bool mounted() const { return mounted_; }
    // Whether a call the server never answers has come in.
    bool hanging() const { return !readyDir_.empty() && ::access((readyDir_ + "/ready.hung").c_str(), F_OK) == 0; }
    const std::string &path() const { return mountPoint_; }

    // Detaches the mount at once and waits a while for the server to go,
    // then ends it: its hung calls must not hold the test.
    void unmount()
    {
        if (server_ > 0) {
            ::umount2(mountPoint_.c_str(), MNT_DETACH);
            if (!exited(std::chrono::seconds(5))) {
                ::kill(server_, SIGTERM);
                if (!exited(std::chrono::seconds(2))) {
                    ::kill(server_, SIGKILL);
                    ::waitpid(server_, nullptr, 0);
                }
            }
            server_ = -1;
        }
        mounted_ = false;
        if (!readyDir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(readyDir_, ignored);
            readyDir_.clear();
        }
    }

private:
    static std::string findWhyNot()
    {
        if (::geteuid() != 0)
            return "a FUSE mount for the test needs root";
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return "no usable /dev/fuse here";
        if (std::system("command -v fusermount3 >/dev/null 2>&1") != 0)
            return "fusermount3 is missing";
        // The script imports fusepy before it reads its arguments.
        const std::string check = std::string(VARNOK_FUSE_PASSTHROUGH) + " --help >/dev/null 2>&1";
        if (std::system(check.c_str()) != 0)
            return "python3-fusepy is missing";
        return {};
    }

    static pid_t spawn(const std::vector<std::string> &args)
    {
        std::vector<char *> argv;
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = -1;
        return ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
    }

    bool waitFor(const std::string &ready)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (::access(ready.c_str(), F_OK) == 0)
                return true;
            if (::waitpid(server_, nullptr, WNOHANG) == server_) {
                server_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    bool exited(std::chrono::milliseconds within)
    {
        const auto deadline = std::chrono::steady_clock::now() + within;
        do {
            if (::waitpid(server_, nullptr, WNOHANG) == server_)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    std::string mountPoint_;
    std::string readyDir_;
    pid_t server_ = -1;
    bool mounted_ = false;
};

// Skips the test, saying why, where no FUSE mount can be made.
#define SKIP_UNLESS_FUSE()                                                                                             \
    if (const std::string &why = FuseMount::unavailable(); !why.empty())                                               \
    GTEST_SKIP() << why
