// A test with the built module loaded and one effect made through VSTPluginMain, closed with
// effClose at the end, as a host does.
#pragma once

#include <gtest/gtest.h>

#include "plugin_host.h"

class LoadedEffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostCallbackLog::instance() = HostCallbackLog{};
        ASSERT_TRUE(module.loaded()) << module.error();
        effect = module.instantiate(HostCallbackLog::callback);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect) {
            EXPECT_EQ(dispatch(effect, effClose), 1);
        }
    }

    PluginModule module{builtPluginPath()};
    AEffect* effect = nullptr;
};
