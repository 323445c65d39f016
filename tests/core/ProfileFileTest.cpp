#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "profiles/Base64.h"
#include "profiles/JsonNumber.h"
#include "profiles/ProfileFile.h"
#include "profiles/SceneNameCodec.h"

namespace fs = std::filesystem;

namespace dv {
namespace {

// Every stored field differs from its default and between seeds.
DspProfile Varied(int seed) {
    DspProfile p;
    p.mainVolume = -20 + seed;
    p.subVolume = 3 + seed;
    p.mainVolumeMute = 1;
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& c = p.channels[o];
        c.gain = -o - seed;
        c.mute = (o + seed) % 2;
        c.delay = 0.1f * static_cast<float>(o) + 0.013f * static_cast<float>(seed) + 0.001f;
        c.phase = (o + seed + 1) % 2;
        c.bypass = static_cast<uint8_t>((o + seed) % 2);
        c.crossover.bpType = (o + seed) % 4;
        c.crossover.hp.SetFs(30 + 10 * o + seed);
        c.crossover.hp.SetType(1 + (o + seed) % 3);
        c.crossover.hp.SetSlope((o + seed) % 9);
        c.crossover.lp.SetFs(19000 - 100 * o - seed);
        c.crossover.lp.SetType(1 + (o + seed + 1) % 3);
        c.crossover.lp.SetSlope((o + seed + 4) % 9);
        c.crossover.lp.bypass = 1;  // may disagree with the slope; the file keeps it
        for (int b = 0; b < c.eqSize; ++b) {
            c.eqArray[b] = {-18.0f + 0.1f * static_cast<float>((7 * b + o + seed) % 300),
                            0.5f + 0.27f * static_cast<float>(b), 20 + 37 * b + o + seed,
                            static_cast<uint8_t>((b + o + seed) % 2)};
        }
    }
    for (int s = 0; s < kSourceCount; ++s) {
        for (int o = 0; o < kOutputCount; ++o) p.routing[s][o] = (8 * s + o + seed) % 64;
    }
    for (int o = 0; o < kOutputCount; ++o) {
        p.roles[o] = (3 * o + seed) % kRoleCount;
        p.linkOutputs[o] = (o + seed) % 9 - 1;
        p.showChEqualizer[o] = (o + seed) % 2;
    }
    p.currChannel = seed % kOutputCount;
    p.linkMode = 1;
    p.lockMode = 1;
    p.inputThreshold = -60 + seed;
    return p;
}

void ExpectSameBody(const DspProfile& a, const DspProfile& b) {
    EXPECT_EQ(a.routing, b.routing);
    EXPECT_EQ(a.roles, b.roles);
    EXPECT_EQ(a.linkOutputs, b.linkOutputs);
    EXPECT_EQ(a.showChEqualizer, b.showChEqualizer);
    EXPECT_EQ(a.currChannel, b.currChannel);
    EXPECT_EQ(a.linkMode, b.linkMode);
    EXPECT_EQ(a.lockMode, b.lockMode);
    for (int o = 0; o < kOutputCount; ++o) {
        const OutputChannel& x = a.channels[o];
        const OutputChannel& y = b.channels[o];
        EXPECT_EQ(x.eqSize, y.eqSize);
        EXPECT_EQ(x.gain, y.gain);
        EXPECT_EQ(x.mute, y.mute);
        EXPECT_EQ(x.delay, y.delay) << o;
        EXPECT_EQ(x.phase, y.phase);
        EXPECT_EQ(x.bypass, y.bypass);
        EXPECT_EQ(x.crossover.bpType, y.crossover.bpType);
        for (auto side : {&Crossover::hp, &Crossover::lp}) {
            EXPECT_EQ((x.crossover.*side).fs, (y.crossover.*side).fs);
            EXPECT_EQ((x.crossover.*side).type, (y.crossover.*side).type);
            EXPECT_EQ((x.crossover.*side).slope, (y.crossover.*side).slope);
            EXPECT_EQ((x.crossover.*side).bypass, (y.crossover.*side).bypass);
        }
        for (int band = 0; band < x.eqSize; ++band) {
            EXPECT_EQ(x.eqArray[band].freq, y.eqArray[band].freq);
            EXPECT_EQ(x.eqArray[band].eqFactor, y.eqArray[band].eqFactor);
            EXPECT_EQ(x.eqArray[band].eqGain, y.eqArray[band].eqGain) << o << "/" << band;
            EXPECT_EQ(x.eqArray[band].enable, y.eqArray[band].enable);
        }
    }
}

void ExpectSameHeader(const DspProfile& a, const DspProfile& b) {
    EXPECT_EQ(a.mainVolume, b.mainVolume);
    EXPECT_EQ(a.subVolume, b.subVolume);
    EXPECT_EQ(a.mainVolumeMute, b.mainVolumeMute);
    EXPECT_EQ(a.inputThreshold, b.inputThreshold);
}

bool SameBytes(const DspProfile& a, const DspProfile& b) {
    return std::memcmp(&a, &b, sizeof(DspProfile)) == 0;
}

SceneName Name(std::u16string_view text) {
    SceneName name{};
    std::copy_n(text.begin(), std::min(text.size(), name.size()), name.begin());
    return name;
}

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("dvprofile-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        scenes_ = std::make_unique<SceneSlots>();
        for (int k = 0; k < kSceneCount; ++k) (*scenes_)[k] = Varied(10 + k);
        names_[0] = Name(u"Scene 1");
        names_[1] = Name(u"场景二");
        names_[2] = Name(u"\xD83D\xDE00 eight");  // a surrogate pair and a full slot
        names_[9] = Name(u"\xFFFF\x0001");
    }
    void TearDown() override { fs::remove_all(dir_); }

    ProfileMessageFn Recorder() {
        return [this](std::string_view key) { messages_.emplace_back(key); };
    }

    std::string Read(const fs::path& path) const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void Write(const fs::path& path, const std::string& text) const {
        std::ofstream(path, std::ios::binary) << text;
    }

    // Rewrites a file through cJSON after `edit` changed its tree.
    void Edit(const fs::path& path, const std::function<void(cJSON*)>& edit) const {
        cJSON* root = cJSON_Parse(Read(path).c_str());
        ASSERT_NE(root, nullptr);
        edit(root);
        char* text = cJSON_PrintUnformatted(root);
        Write(path, text);
        cJSON_free(text);
        cJSON_Delete(root);
    }

    fs::path WrittenScene(const DspProfile& profile) {
        const fs::path path = dir_ / "scene.spf";
        EXPECT_TRUE(writeSceneProfile(profile, path, Recorder()));
        return path;
    }

    fs::path WrittenWhole(const DspProfile& current) {
        const fs::path path = dir_ / "whole.wpf";
        EXPECT_TRUE(writeWholeProfile(current, *scenes_, names_, path));
        return path;
    }

    fs::path dir_;
    std::unique_ptr<SceneSlots> scenes_;
    SceneNameTable names_{};
    std::vector<std::string> messages_;
};

cJSON* Channel(cJSON* body, int output) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(body, "channels"), output);
}

TEST_F(ProfileFileTest, SceneFileRoundTripsEveryStoredField) {
    const DspProfile original = Varied(3);
    const fs::path path = WrittenScene(original);
    EXPECT_EQ(messages_, std::vector<std::string>{"${profile_save_ok}"});

    DspProfile loaded;
    loaded.mixerTrim[1][2][3] = 55;
    loaded.source = 5;
    loaded.modelCode = 1;
    EXPECT_TRUE(readSceneProfile(path, loaded, Recorder()));
    ExpectSameHeader(loaded, original);
    ExpectSameBody(loaded, original);
    // What the file does not hold stays as it was.
    EXPECT_EQ(loaded.mixerTrim[1][2][3], 55);
    EXPECT_EQ(loaded.source, 5);
    EXPECT_EQ(loaded.modelCode, 1);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ProfileFileTest, WholeFileRoundTripsSettingsScenesAndNames) {
    const DspProfile current = Varied(4);
    const fs::path path = WrittenWhole(current);

    DspProfile loaded;
    auto slots = std::make_unique<SceneSlots>();
    (*slots)[2].inputThreshold = -33;
    (*slots)[2].mainVolume = 2;
    SceneNameTable names{};
    EXPECT_TRUE(readWholeProfile(path, {loaded, *slots, names}, Recorder()));
    EXPECT_TRUE(messages_.empty());
    ExpectSameHeader(loaded, current);
    ExpectSameBody(loaded, current);
    for (int k = 0; k < kSceneCount; ++k) ExpectSameBody((*slots)[k], (*scenes_)[k]);
    // Scene bodies carry neither the threshold nor the volumes.
    EXPECT_EQ((*slots)[2].inputThreshold, -33);
    EXPECT_EQ((*slots)[2].mainVolume, 2);
    EXPECT_EQ(names, names_);
}

TEST_F(ProfileFileTest, KnownProfileIsWrittenByteForByte) {
    DspProfile profile;
    profile.mainVolume = -12;
    profile.channels[0].delay = 1.25f;
    profile.channels[1].delay = 0.1f;
    profile.channels[0].eqArray[3] = {0.1f, 1.41f, 40, 1};
    profile.channels[6].eqArray[10] = {-3.5f, 9.0f, 200, 0};
    profile.channels[2].crossover.hp.SetSlope(0);
    profile.channels[7].gain = -60;
    profile.linkMode = 1;
    profile.ComputeLinkPartners();
    const fs::path path = WrittenScene(profile);
    EXPECT_EQ(Read(path), Read(fs::path(DV_TEST_DATA_DIR) / "profiles" / "known.spf"));
}

TEST_F(ProfileFileTest, WholeFileLayout) {
    const std::string text = Read(WrittenWhole(DspProfile{}));
    EXPECT_EQ(text.rfind(R"({"model":1,"model_name":"DV80MAX","mainVolume":-5,"subVolume":0,)"
                         R"("mainVolumeMute":0,"sceneName":["UwBjAGUAbgBlACAAMQAAAA==",)"
                         R"("OldvZoxOAAAAAAAAAAAAAA==",)",
                         0),
              0u);
    EXPECT_NE(text.find(R"("currentProfile":{"channels":[{"eqSize":31,"gain":0,)"),
              std::string::npos);
    EXPECT_NE(text.find(R"("lockMode":0,"inputThreshold":-40},"sceneArray":[{"channels":)"),
              std::string::npos)
        << "the current body ends with the threshold";
    EXPECT_NE(text.find(R"("lockMode":1}]})"), std::string::npos)
        << "scene bodies end without a threshold";
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find(' '), std::string::npos);
}

TEST_F(ProfileFileTest, SceneFileRefusalsChangeNothing) {
    struct Case {
        const char* what;
        std::function<void(cJSON*)> edit;
        const char* key;
    };
    const std::vector<Case> cases = {
        {"model 2", [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(r, "model"), 2); },
         "${software_not_match}"},
        {"model as text",
         [](cJSON* r) { cJSON_ReplaceItemInObject(r, "model", cJSON_CreateString("1")); },
         "${profile_load_error}"},
        {"model missing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "model"); },
         "${profile_load_error}"},
        {"seven channels",
         [](cJSON* r) { cJSON_DeleteItemFromArray(cJSON_GetObjectItem(r, "channels"), 7); },
         "${profile_load_error}"},
        {"eqArray shorter than eqSize",
         [](cJSON* r) {
             cJSON_DeleteItemFromArray(cJSON_GetObjectItem(Channel(r, 2), "eqArray"), 30);
         },
         "${profile_load_error}"},
        {"eqSize 40 on output 1",
         [](cJSON* r) {
             cJSON* bands = cJSON_GetObjectItem(Channel(r, 0), "eqArray");
             for (int i = 0; i < 9; ++i) {
                 cJSON_AddItemToArray(bands, cJSON_Duplicate(cJSON_GetArrayItem(bands, 0), 1));
             }
             cJSON_SetNumberValue(cJSON_GetObjectItem(Channel(r, 0), "eqSize"), 40);
         },
         "${profile_load_error}"},
        {"eqSize 11 on output 1",
         [](cJSON* r) {
             cJSON* bands = cJSON_GetObjectItem(Channel(r, 0), "eqArray");
             for (int i = 0; i < 20; ++i) cJSON_DeleteItemFromArray(bands, 11);
             cJSON_SetNumberValue(cJSON_GetObjectItem(Channel(r, 0), "eqSize"), 11);
         },
         "${profile_load_error}"},
        {"negative eqSize",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(Channel(r, 7), "eqSize"), -1); },
         "${profile_load_error}"},
        {"current output 8",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(r, "currChannel"), 8); },
         "${profile_load_error}"},
        {"partner 8",
         [](cJSON* r) {
             cJSON_SetNumberValue(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "linkOutputs"), 3), 8);
         },
         "${profile_load_error}"},
        {"role 25",
         [](cJSON* r) {
             cJSON_SetNumberValue(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "outputs"), 0), 25);
         },
         "${profile_load_error}"},
        {"delay beyond a float",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(Channel(r, 1), "delay"), 1e39); },
         "${profile_load_error}"},
        {"a routing row of 7",
         [](cJSON* r) {
             cJSON_DeleteItemFromArray(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputs"), 6), 0);
         },
         "${profile_load_error}"},
        {"volume as text",
         [](cJSON* r) { cJSON_ReplaceItemInObject(r, "mainVolume", cJSON_CreateString("-5")); },
         "${profile_load_error}"},
        {"band without enable",
         [](cJSON* r) {
             cJSON* band = cJSON_GetArrayItem(cJSON_GetObjectItem(Channel(r, 4), "eqArray"), 8);
             cJSON_DeleteItemFromObject(band, "enable");
         },
         "${profile_load_error}"},
        {"channel not an object",
         [](cJSON* r) {
             cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "channels"), 5, cJSON_CreateNumber(1));
         },
         "${profile_load_error}"},
        {"threshold missing", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "inputThreshold"); },
         "${profile_load_error}"},
    };
    for (const Case& c : cases) {
        const fs::path path = WrittenScene(Varied(2));
        Edit(path, c.edit);
        messages_.clear();
        DspProfile target = Varied(6);
        const DspProfile before = target;
        EXPECT_FALSE(readSceneProfile(path, target, Recorder())) << c.what;
        EXPECT_EQ(messages_, std::vector<std::string>{c.key}) << c.what;
        EXPECT_TRUE(SameBytes(target, before)) << c.what;
    }
}

TEST_F(ProfileFileTest, UnreadableFilesAreOpenErrors) {
    DspProfile target = Varied(1);
    const DspProfile before = target;
    const fs::path notJson = dir_ / "broken.spf";
    Write(notJson, "{\"model\":1,");
    for (const fs::path& path : {dir_ / "missing.spf", dir_, notJson}) {
        messages_.clear();
        EXPECT_FALSE(readSceneProfile(path, target, Recorder())) << path;
        EXPECT_EQ(messages_, std::vector<std::string>{"${profile_open_error}"}) << path;
    }
    EXPECT_TRUE(SameBytes(target, before));

    // A whole file that is not JSON is a load error; a missing one cannot be opened.
    DspProfile current;
    SceneNameTable names{};
    messages_.clear();
    EXPECT_FALSE(readWholeProfile(notJson, {current, *scenes_, names}, Recorder()));
    EXPECT_FALSE(readWholeProfile(dir_ / "missing.wpf", {current, *scenes_, names}, Recorder()));
    EXPECT_EQ(messages_,
              (std::vector<std::string>{"${profile_load_error}", "${profile_open_error}"}));
}

TEST_F(ProfileFileTest, BrokenWholeFileChangesNoSettingSceneOrName) {
    struct Case {
        const char* what;
        std::function<void(cJSON*)> edit;
        const char* key;
    };
    const std::vector<Case> cases = {
        {"scene 4 broken",
         [](cJSON* r) {
             cJSON_DeleteItemFromObject(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "sceneArray"), 3),
                                        "channels");
         },
         "${profile_load_error}"},
        {"nine names",
         [](cJSON* r) { cJSON_DeleteItemFromArray(cJSON_GetObjectItem(r, "sceneName"), 9); },
         "${profile_load_error}"},
        {"name not a string",
         [](cJSON* r) {
             cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "sceneName"), 0,
                                      cJSON_CreateNumber(4));
         },
         "${profile_load_error}"},
        {"model 2", [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(r, "model"), 2); },
         "${software_not_match}"},
        {"current settings missing",
         [](cJSON* r) { cJSON_DeleteItemFromObject(r, "currentProfile"); },
         "${profile_load_error}"},
    };
    for (const Case& c : cases) {
        const fs::path path = WrittenWhole(Varied(5));
        Edit(path, c.edit);
        messages_.clear();
        DspProfile current = Varied(7);
        const DspProfile currentBefore = current;
        auto slots = std::make_unique<SceneSlots>();
        const auto slotsBefore = std::make_unique<SceneSlots>(*slots);
        SceneNameTable names{};
        names[4] = Name(u"keep");
        const SceneNameTable namesBefore = names;
        EXPECT_FALSE(readWholeProfile(path, {current, *slots, names}, Recorder())) << c.what;
        EXPECT_EQ(messages_, std::vector<std::string>{c.key}) << c.what;
        EXPECT_TRUE(SameBytes(current, currentBefore)) << c.what;
        for (int k = 0; k < kSceneCount; ++k) {
            EXPECT_TRUE(SameBytes((*slots)[k], (*slotsBefore)[k])) << c.what << " slot " << k;
        }
        EXPECT_EQ(names, namesBefore) << c.what;
    }
}

// Lower-cases every other key, reverses every object's key order and adds unknown keys.
void Scramble(cJSON* item, int& counter) {
    if (cJSON_IsObject(item)) {
        cJSON* reversed = nullptr;
        for (cJSON* child = item->child; child != nullptr;) {
            cJSON* next = child->next;
            child->prev = nullptr;
            child->next = reversed;
            if (reversed != nullptr) reversed->prev = child;
            reversed = child;
            child = next;
        }
        item->child = reversed;
        if (reversed != nullptr) {
            cJSON* last = reversed;
            while (last->next != nullptr) last = last->next;
            reversed->prev = last;  // cJSON keeps the tail in the head's prev
        }
        for (cJSON* child = item->child; child != nullptr; child = child->next) {
            std::string key = child->string;
            for (char& ch : key)
                ch = static_cast<char>(counter % 2 ? std::toupper(ch) : std::tolower(ch));
            ++counter;
            cJSON_free(child->string);
            child->string = static_cast<char*>(cJSON_malloc(key.size() + 1));
            std::memcpy(child->string, key.c_str(), key.size() + 1);
        }
        cJSON_AddStringToObject(item, "unknownExtra", "ignored");
    }
    for (cJSON* child = item->child; child != nullptr; child = child->next) {
        if (!cJSON_IsString(child)) Scramble(child, counter);
    }
}

TEST_F(ProfileFileTest, KeysMatchInAnyCaseAndOrderWithExtrasIgnored) {
    const DspProfile original = Varied(1);
    const fs::path scene = WrittenScene(original);
    int counter = 0;
    Edit(scene, [&](cJSON* root) { Scramble(root, counter); });
    ASSERT_EQ(Read(scene).find("\"mainVolume\""), std::string::npos);
    DspProfile loaded;
    EXPECT_TRUE(readSceneProfile(scene, loaded, Recorder()));
    ExpectSameHeader(loaded, original);
    ExpectSameBody(loaded, original);

    const fs::path whole = WrittenWhole(original);
    Edit(whole, [&](cJSON* root) { Scramble(root, counter); });
    DspProfile current;
    auto slots = std::make_unique<SceneSlots>();
    SceneNameTable names{};
    EXPECT_TRUE(readWholeProfile(whole, {current, *slots, names}, Recorder()));
    ExpectSameBody(current, original);
    ExpectSameBody((*slots)[9], (*scenes_)[9]);
    EXPECT_EQ(names, names_);
}

TEST_F(ProfileFileTest, LenientValueReadings) {
    const fs::path path = WrittenScene(DspProfile{});
    Edit(path, [](cJSON* r) {
        cJSON_SetNumberValue(cJSON_GetObjectItem(r, "model"), 1.0);
        cJSON* channel = Channel(r, 0);
        cJSON_SetNumberValue(cJSON_GetObjectItem(channel, "bypass"), 256);  // low byte only
        cJSON* band = cJSON_GetArrayItem(cJSON_GetObjectItem(channel, "eqArray"), 0);
        cJSON_SetNumberValue(cJSON_GetObjectItem(band, "enable"), 5);
        cJSON* hp = cJSON_GetObjectItem(cJSON_GetObjectItem(channel, "crossover"), "hp");
        cJSON_SetNumberValue(cJSON_GetObjectItem(hp, "fs"), 5);
        cJSON_SetNumberValue(cJSON_GetObjectItem(hp, "type"), 7);
        cJSON_SetNumberValue(cJSON_GetObjectItem(hp, "slope"), 2);
        cJSON_SetNumberValue(cJSON_GetObjectItem(hp, "bypass"), 1);
    });
    DspProfile loaded;
    ASSERT_TRUE(readSceneProfile(path, loaded, Recorder()));
    const OutputChannel& channel = loaded.channels[0];
    EXPECT_EQ(channel.bypass, 0);
    EXPECT_EQ(channel.eqArray[0].enable, 1);
    EXPECT_EQ(channel.crossover.hp.fs, 20);
    EXPECT_EQ(channel.crossover.hp.type, 1);
    EXPECT_EQ(channel.crossover.hp.slope, 2);
    EXPECT_EQ(channel.crossover.hp.bypass, 1);
}

TEST_F(ProfileFileTest, FilesThatCannotBeCreatedAreReported) {
    const fs::path nowhere = dir_ / "no-such-dir" / "x.spf";
    EXPECT_FALSE(writeSceneProfile(DspProfile{}, nowhere, Recorder()));
    EXPECT_FALSE(writeSceneProfile(DspProfile{}, dir_, Recorder()));
    EXPECT_EQ(messages_,
              (std::vector<std::string>{"${profile_create_error}", "${profile_create_error}"}));
    EXPECT_FALSE(writeWholeProfile(DspProfile{}, *scenes_, names_, nowhere));
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST_F(ProfileFileTest, FilesThatCannotBeCreatedLeaveNoTemporaryFile) {
    const fs::path taken = dir_ / "taken.spf";
    fs::create_directories(taken / "inside");
    EXPECT_FALSE(writeSceneProfile(DspProfile{}, taken, Recorder()));
    EXPECT_FALSE(writeWholeProfile(DspProfile{}, *scenes_, names_, taken));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// While alive, writes past `bytes` fail (EFBIG) instead of stopping the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
};

TEST_F(ProfileFileTest, AFailedSaveKeepsThePreviousFile) {
    const fs::path scene = dir_ / "kept.spf";
    const fs::path whole = dir_ / "kept.wpf";
    ASSERT_TRUE(writeSceneProfile(Varied(1), scene, Recorder()));
    ASSERT_TRUE(writeWholeProfile(Varied(1), *scenes_, names_, whole));
    fs::permissions(scene, fs::perms::owner_read | fs::perms::owner_write);
    const std::string sceneBefore = Read(scene);
    const std::string wholeBefore = Read(whole);
    messages_.clear();
    {
        const FileSizeLimit limit(1024);  // far smaller than either file
        EXPECT_FALSE(writeSceneProfile(Varied(2), scene, Recorder()));
        EXPECT_FALSE(writeWholeProfile(Varied(2), *scenes_, names_, whole));
    }
    EXPECT_EQ(messages_, std::vector<std::string>{"${profile_create_error}"});
    EXPECT_EQ(Read(scene), sceneBefore);
    EXPECT_EQ(Read(whole), wholeBefore);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);

    // Replacing works once there is room, and keeps the file's permissions.
    ASSERT_TRUE(writeSceneProfile(Varied(2), scene, Recorder()));
    DspProfile loaded;
    ASSERT_TRUE(readSceneProfile(scene, loaded, Recorder()));
    ExpectSameBody(loaded, Varied(2));
    EXPECT_EQ(fs::status(scene).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(ProfileFileTest, AFileTheUserMayNotWriteIsNotReplaced) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
    const fs::path path = dir_ / "readonly.spf";
    ASSERT_TRUE(writeSceneProfile(Varied(1), path, Recorder()));
    fs::permissions(path, fs::perms::owner_read);
    const std::string before = Read(path);
    EXPECT_FALSE(writeSceneProfile(Varied(2), path, Recorder()));
    EXPECT_EQ(Read(path), before);
}

TEST_F(ProfileFileTest, SavingThroughALinkReplacesTheLinkedFile) {
    const fs::path real = dir_ / "real.spf";
    const fs::path link = dir_ / "link.spf";
    ASSERT_TRUE(writeSceneProfile(Varied(1), real, Recorder()));
    fs::create_symlink(real.filename(), link);
    ASSERT_TRUE(writeSceneProfile(Varied(3), link, Recorder()));
    EXPECT_TRUE(fs::is_symlink(link));
    DspProfile loaded;
    ASSERT_TRUE(readSceneProfile(real, loaded, Recorder()));
    ExpectSameBody(loaded, Varied(3));
}

TEST_F(ProfileFileTest, FloatsAreWrittenWithDigitsThatReadBackExactly) {
    DspProfile profile;
    profile.channels[0].eqArray[0].eqGain = 0.9f;
    profile.channels[0].eqArray[0].eqFactor = 4.3f;
    profile.channels[3].delay = 0.7f;
    const std::string text = Read(WrittenScene(profile));
    EXPECT_NE(text.find(R"("eqFactor":4.3000001907348633,"eqGain":0.89999997615814209,)"),
              std::string::npos);
    EXPECT_NE(text.find(R"("delay":0.699999988079071,)"), std::string::npos)
        << "15 digits where they give back the same double";

    // Files written with 15 digits before still give the same floats.
    const fs::path old = dir_ / "old.spf";
    Write(old, text);
    Edit(old, [](cJSON* r) {
        cJSON* band = cJSON_GetArrayItem(cJSON_GetObjectItem(Channel(r, 0), "eqArray"), 0);
        cJSON_ReplaceItemInObject(band, "eqGain", cJSON_CreateRaw("0.899999976158142"));
    });
    DspProfile loaded;
    ASSERT_TRUE(readSceneProfile(old, loaded, Recorder()));
    EXPECT_EQ(loaded.channels[0].eqArray[0].eqGain, 0.9f);
    EXPECT_EQ(loaded.channels[3].delay, 0.7f);
}

// The rule worked with the C library: 15 digits when they read back as the same double, else 17.
std::string ReferenceNumber(double value) {
    char text[40];
    if (value == std::trunc(value) && std::fabs(value) < 2147483648.0) {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
        return text;
    }
    std::snprintf(text, sizeof text, "%1.15g", value);
    if (std::strtod(text, nullptr) != value) std::snprintf(text, sizeof text, "%1.17g", value);
    return text;
}

void ExpectNumberText(float f) {
    const double value = f;
    const std::string text = FormatJsonNumber(value);
    ASSERT_EQ(text, ReferenceNumber(value)) << value;
    cJSON* parsed = cJSON_Parse(text.c_str());
    ASSERT_TRUE(cJSON_IsNumber(parsed)) << text;
    const bool exact = parsed->valuedouble == value;
    cJSON_Delete(parsed);
    ASSERT_TRUE(exact) << text;
}

TEST(ProfileJsonNumber, EveryFloatReadsBackAsTheSameDouble) {
    // Steps of the panel's values: hundredths (gain, Q) and microseconds of delay ...
    for (int k = -10000; k <= 10000; ++k) ExpectNumberText(static_cast<float>(k) / 100.0f);
    for (int us = 0; us <= 15000; ++us) ExpectNumberText(static_cast<float>(us) / 1000.0f);
    // ... and a sweep through every binade, both signs.
    for (uint64_t bits = 0; bits < 0x7F800000u; bits += 16381) {
        for (uint32_t sign : {0u, 0x80000000u}) {
            ExpectNumberText(std::bit_cast<float>(static_cast<uint32_t>(bits) | sign));
        }
    }
    EXPECT_EQ(FormatJsonNumber(0.9f), "0.89999997615814209");
    EXPECT_EQ(FormatJsonNumber(1.25), "1.25");
    EXPECT_EQ(FormatJsonNumber(-60.0), "-60");
    EXPECT_EQ(FormatJsonNumber(1e20), "1e+20");
    EXPECT_EQ(FormatJsonNumber(std::numeric_limits<double>::infinity()), "null");
}

TEST(ProfileBase64, StandardAlphabetWithPadding) {
    auto encode = [](std::string_view text) {
        return Base64Encode(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    };
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    const uint8_t high[] = {0xFB, 0xFF, 0xBF};
    EXPECT_EQ(Base64Encode(high), "+/+/");
}

TEST(ProfileBase64, DecodingSkipsForeignCharactersAndStopsWhenFull) {
    std::array<uint8_t, 6> out{};
    EXPECT_EQ(Base64DecodeInto("Zm9v\nYm!Fy", out), 6u);
    EXPECT_EQ(std::string(out.begin(), out.end()), "foobar");

    std::array<uint8_t, 4> small{};
    EXPECT_EQ(Base64DecodeInto("Zm9vYmFy", small), 3u);  // the second group would not fit
    EXPECT_EQ(small[3], 0);
    EXPECT_EQ(Base64DecodeInto("Zm8=", small), 2u);
    EXPECT_EQ(small[0], 'f');
}

TEST(ProfileSceneName, SixteenLittleEndianBytesInBase64) {
    EXPECT_EQ(EncodeSceneName(Name(u"AB")), "QQBCAAAAAAAAAAAAAAAAAA==");
    EXPECT_EQ(EncodeSceneName(Name(u"场景二")), "OldvZoxOAAAAAAAAAAAAAA==");
    SceneName full;
    full.fill(u'\xFFFF');
    EXPECT_EQ(EncodeSceneName(full), "/////////////////////w==");
    EXPECT_EQ(DecodeSceneName("/////////////////////w=="), full);
    EXPECT_EQ(DecodeSceneName("QQBCAA"), Name(u"AB"));
    EXPECT_EQ(DecodeSceneName(""), SceneName{});
    // Longer text stops before the group that would overflow the 16 bytes.
    SceneName cut = full;
    cut[7] = u'\x00FF';
    EXPECT_EQ(DecodeSceneName("////////////////////////////////"), cut);
}

}  // namespace
}  // namespace dv
