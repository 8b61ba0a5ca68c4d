#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"

namespace pw::test {

// A real settings store in a fresh temporary folder.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() : store_(SqliteSettingsStore::open(dir.file("registry.sqlite"))) {}

    SettingsStore& store() { return *store_; }

    TempDir dir;

private:
    std::unique_ptr<SqliteSettingsStore> store_;
};

}  // namespace pw::test
