#include "log/mutex_lock.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
TEST(MutexLock, LockUnlockAndRecursionByTheOwner) {
    CMutexLock lock;
    EXPECT_EQ(lock.Create(), -7);
    ASSERT_EQ(lock.Lock(1), 1);
    ASSERT_EQ(lock.Lock(1), 1);
    EXPECT_EQ(lock.Unlock(), 1);
    EXPECT_EQ(lock.Unlock(), 1);
}

TEST(MutexLock, AnotherThreadTimesOutAndCannotUnlock) {
    CMutexLock lock;
    ASSERT_EQ(lock.Lock(1), 1);
    int waited = 0, unlocked = 0;
    std::thread other([&] {
        waited = lock.Lock(0);
        unlocked = lock.Unlock();
    });
    other.join();
    EXPECT_EQ(waited, -11);
    EXPECT_EQ(unlocked, 0);
    EXPECT_EQ(lock.Unlock(), 1);
}

TEST(MutexLock, ClosedLockReportsNoMutex) {
    CMutexLock lock;
    EXPECT_EQ(lock.Close(), 1);
    EXPECT_EQ(lock.Close(), 1);
    EXPECT_EQ(lock.Lock(1), -8);
    EXPECT_EQ(lock.Unlock(), -8);
    EXPECT_EQ(lock.Create(), 1);
    EXPECT_EQ(lock.Lock(1), 1);
    EXPECT_EQ(lock.Unlock(), 1);
}

TEST(Lock, BaseOperationsDoNothing) {
    CLock lock;
    EXPECT_EQ(lock.Lock(1), 0);
    EXPECT_EQ(lock.Unlock(), 0);
    EXPECT_EQ(lock.Create(), 0);
    EXPECT_EQ(lock.Close(), 0);
}
}  // namespace
