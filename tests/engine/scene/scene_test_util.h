#pragma once
// Shared fixtures of the scene tests: a clean scene stack and hook table per test, and a game
// node that records what happens to it.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/scene/node_chain.h"
#include "engine/scene/scene.h"
#include "engine/util/qnapp_state.h"

// Resets the scene stack, the hooks and the scene root's children around each test.
class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override
    {
        Reset();
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        Reset();
    }
    static void Reset()
    {
        QNHOOKS::Node = QNNODEHOOKS();
        QNHOOKS::Scene = QNSCENEHOOKS();
        QNSCENE::Request = nullptr;
        QNSCENE::Current = nullptr;
        QNSCENE::RequestKind = QNSCENE::REQUEST_NONE;
        QNSCENE::DeviceResetPending = false;
        QNRESOURCES::Override = nullptr;
        QNFRAMESTATS::SceneChanged = 0;
    }
};

// A game node whose operations append to a log and may run a scripted action.
class PROBENODE : public GAMENODE {
public:
    PROBENODE(QNNODE* parent, const char* name, std::vector<std::string>* log,
              std::uint32_t classFlags = QNCF_LEVEL_GAME | QNCF_UPDATE)
        : GAMENODE(parent, name, 0, classFlags, 0, 0, nullptr, 0), log_(log)
    {
    }
    ~PROBENODE() override { Log("~"); }

    void Update() override
    {
        Log("U");
        if (onUpdate)
            onUpdate(this);
    }
    void UpdateInstance() override
    {
        Log("I");
        GAMENODE::UpdateInstance();
    }
    void RunOnce() override
    {
        Log("O");
        if (onOnce)
            onOnce(this);
    }
    void OnStateChanged(std::int32_t oldState, std::int32_t newState) override
    {
        Log("S" + std::to_string(oldState) + std::to_string(newState));
    }
    void OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*) override
    {
        Log("C" + std::to_string(phase) + (other ? other->Name().Text() : "?"));
        if (onContact)
            onContact(this, phase);
    }

    std::function<void(PROBENODE*)> onUpdate;
    std::function<void(PROBENODE*)> onOnce;
    std::function<void(PROBENODE*, std::uint32_t)> onContact;

private:
    void Log(const std::string& what)
    {
        if (log_)
            log_->push_back(std::string(Name().Text()) + ":" + what);
    }
    std::vector<std::string>* log_;
};
