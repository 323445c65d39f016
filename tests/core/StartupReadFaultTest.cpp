// Every fault at every round trip of the start-up read: the read brings the whole unit or says
// where it stopped, never hangs, and the next read on a healthy link brings the whole unit.
#include <gtest/gtest.h>

#include <cerrno>

#include "device/StartupRead.h"
#include "model/InputSources.h"
#include "sim/SimState.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dv::StartupRead;
using dv::sim::SimBus;

enum class Fault { Unplug, Silent, NotReady, Corrupt, Split };

const char* Name(Fault f) {
    switch (f) {
        case Fault::Unplug:
            return "Unplug";
        case Fault::Silent:
            return "Silent";
        case Fault::NotReady:
            return "NotReady";
        case Fault::Corrupt:
            return "Corrupt";
        case Fault::Split:
            return "Split";
    }
    return "?";
}

class StartupReadFaultTest : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override {
        for (int s = 0; s < dv::kSourceCount; ++s) mixerInputs_[s] = dv::SourceMixerInputs(s);
        Plug();
        device_.SetMainWindow(main_.Handle());
        device_.SetReplyTimeoutCap(40);  // a silent step costs this, not the table's 10 s
    }
    void TearDown() override { SimBus::Instance().Reset(); }

    void Plug() {
        SimBus::Instance().Reset();
        dv::sim::SimOptions options;
        options.latency = std::chrono::microseconds(0);
        unit_ = std::make_shared<dv::sim::ProcessorSimulator>(options, dv::sim::TunedCarState());
        SimBus::Instance().Plug(unit_);
    }

    dv::StartupReadOutcome Read(const std::function<void(int)>& beforeStep = {}) {
        main_.Clear();
        device_.CloseHIDDevice(false);
        device_.OpenHIDDevice();
        return dv::RunStartupRead(
            device_, mixerInputs_, [] { return true; }, beforeStep);
    }

    // (message, parameter) of everything the read posted to the main window.
    std::vector<std::pair<unsigned, intptr_t>> Posted() const {
        std::vector<std::pair<unsigned, intptr_t>> out;
        for (const dvtest::Posted& p : main_.Messages()) out.emplace_back(p.message, p.param);
        return out;
    }

    void Arm(Fault fault, int step, const std::vector<uint8_t>& report) {
        switch (fault) {
            case Fault::Unplug:
                SimBus::Instance().UnplugAtFrame(1);
                break;
            case Fault::Silent:
                SimBus::Instance().DropReplies(1 << 20);
                break;
            case Fault::Corrupt:
                SimBus::Instance().CorruptReplies(1);
                break;
            case Fault::Split:
                SimBus::Instance().SetSplitReplies(true);
                break;
            case Fault::NotReady: {
                dv::sim::SimFault f;
                f.kind = dv::sim::SimFault::Kind::NotReady;
                f.mcmd = report[4];
                f.subcmd = report[5];
                f.optype = report[6];
                f.times = 1;
                unit_->SetFault(f);
                break;
            }
        }
        (void)step;
    }

    int mixerInputs_[dv::kSourceCount] = {};
    std::shared_ptr<dv::sim::ProcessorSimulator> unit_;
    dvtest::RecordingWindow main_;
    dv::DspDevice device_;
};

TEST_P(StartupReadFaultTest, EveryStepEndsWholeOrSaysWhereAndTheNextReadIsWhole) {
    const Fault fault = GetParam();
    ASSERT_EQ(Read().result, StartupRead::Complete);
    const auto whole = Posted();
    const auto reports = SimBus::Instance().WrittenReports();
    const int steps = static_cast<int>(reports.size());
    ASSERT_EQ(steps, 72) << "greeting, handshake and 70 queries";

    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE(testing::Message() << Name(fault) << " at step " << step);
        Plug();
        const auto start = std::chrono::steady_clock::now();
        const dv::StartupReadOutcome outcome = Read([&](int at) {
            if (at == step) Arm(fault, step, reports[static_cast<size_t>(step)]);
        });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "no hang";
        // The greeting has no answer of its own: a refusal of it changes nothing, and the other
        // faults meet the handshake's answer.
        const bool whole_expected =
            fault == Fault::Split || (fault == Fault::NotReady && step == 0);
        if (whole_expected) {
            EXPECT_EQ(outcome.result, StartupRead::Complete);
            EXPECT_EQ(Posted(), whole) << "every value the unit holds, once";
        } else {
            const int failed = std::max(step, 1);
            EXPECT_EQ(outcome.result,
                      failed == 1 ? StartupRead::NoHandshake : StartupRead::Incomplete);
            EXPECT_EQ(outcome.failedStep, failed);
        }

        // Healthy again (re-plugged if it left): the next connection reads the whole unit.
        SimBus::Instance().SetSplitReplies(false);
        if (fault == Fault::Unplug || fault == Fault::Silent) Plug();
        unit_->ClearFaults();
        EXPECT_EQ(Read().result, StartupRead::Complete);
        EXPECT_EQ(Posted(), whole);
        if (HasFailure()) break;  // one step's story is enough
    }
}

INSTANTIATE_TEST_SUITE_P(AllFaults, StartupReadFaultTest,
                         ::testing::Values(Fault::Unplug, Fault::Silent, Fault::NotReady,
                                           Fault::Corrupt, Fault::Split),
                         [](const auto& info) { return std::string(Name(info.param)); });

// A unit on the bus whose node this user may not open is told apart from a missing one.
TEST(OpenDiagnosisTest, APresentUnitRefusedForLackOfPermissionIsNotAMissingOne) {
    struct Case {
        bool plugged;
        int refusal;
        dv::DspDevice::OpenFailure expected;
    };
    using F = dv::DspDevice::OpenFailure;
    const Case cases[] = {
        {true, 0, F::None},      {true, EACCES, F::NoPermission}, {true, EPERM, F::NoPermission},
        {true, EBUSY, F::Other}, {false, EACCES, F::NotFound},    {false, 0, F::NotFound}};
    for (const Case& c : cases) {
        SimBus::Instance().Reset();
        if (c.plugged) SimBus::Instance().Plug(std::make_shared<dv::sim::ProcessorSimulator>());
        SimBus::Instance().RefuseOpen(c.refusal);
        dv::DspDevice device;
        device.OpenHIDDevice();
        EXPECT_EQ(device.LastOpenFailure(), c.expected) << c.plugged << " " << c.refusal;
        EXPECT_EQ(device.IsDeviceOpen(), c.expected == F::None);
    }
    SimBus::Instance().Reset();
}

}  // namespace
