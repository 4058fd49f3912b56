// The folder's lock on Windows: a byte of Quorvel.lock locked with
// LockFileEx, against another holder, and the file gone once let go.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/files.h"

namespace {

// Another copy of the program, as the lock file sees it: a handle of its own.
struct OtherCopy {
    HANDLE h = CreateFileW(L"Quorvel.lock", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ~OtherCopy() { CloseHandle(h); }
    bool Lock(bool exclusive) {
        OVERLAPPED at{};
        DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
        return LockFileEx(h, flags, 0, 1, 0, &at) != 0;
    }
};

class StoreLockWindows : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("quorvel-lock-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        store::UnlockFolder();
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_, old_;
};

TEST_F(StoreLockWindows, ExcludesAnotherHolderAndIsGoneWhenLetGo) {
    ASSERT_TRUE(store::LockFolder(".", store::Lock::kExclusive, 0));
    {
        OtherCopy other;
        ASSERT_NE(other.h, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(other.Lock(false)) << "shared beside an exclusive lock";
    }
    store::UnlockFolder();
    EXPECT_FALSE(std::filesystem::exists("Quorvel.lock"));

    OtherCopy other;
    ASSERT_TRUE(other.Lock(true));
    EXPECT_FALSE(store::LockFolder(".", store::Lock::kShared, 100)) << "granted while held";
}

TEST_F(StoreLockWindows, SharedHoldersShareIt) {
    OtherCopy other;
    ASSERT_TRUE(other.Lock(false));
    EXPECT_TRUE(store::LockFolder(".", store::Lock::kShared, 0));
    EXPECT_FALSE(store::LockFolder(".", store::Lock::kExclusive, 100));
}

}  // namespace
