#include <cjson/cJSON.h>

#include <cfloat>
#include <cmath>
#include <fstream>
#include <memory>
#include <new>
#include <span>

#include "base/Log.h"
#include "profiles/ProfileFile.h"
#include "profiles/SceneNameCodec.h"

namespace dv {

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// The whole file plus a terminating zero, or null when it cannot be opened or read.
std::unique_ptr<char[]> ReadFileText(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return nullptr;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (!in || size < 0) return nullptr;
    in.seekg(0, std::ios::beg);
    std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<size_t>(size) + 1]);
    if (!text) return nullptr;
    in.read(text.get(), size);
    if (in.gcount() != size) return nullptr;
    text[static_cast<size_t>(size)] = '\0';
    return text;
}

// Keys are matched without regard to case, as cJSON_GetObjectItem does.
const cJSON* Item(const cJSON* object, const char* key) {
    return cJSON_GetObjectItem(object, key);
}

bool ReadInt(const cJSON* object, const char* key, int32_t& out) {
    const cJSON* item = Item(object, key);
    if (!cJSON_IsNumber(item)) return false;
    out = item->valueint;
    return true;
}

bool ReadIntIn(const cJSON* object, const char* key, int32_t low, int32_t high, int32_t& out) {
    int32_t value = 0;
    if (!ReadInt(object, key, value) || value < low || value > high) return false;
    out = value;
    return true;
}

// A value that does not fit a float is refused rather than turned into an infinity.
bool ReadFloat(const cJSON* object, const char* key, float& out) {
    const cJSON* item = Item(object, key);
    if (!cJSON_IsNumber(item) || !(std::fabs(item->valuedouble) <= FLT_MAX)) return false;
    out = static_cast<float>(item->valuedouble);
    return true;
}

const cJSON* ArrayOf(const cJSON* object, const char* key, int length) {
    const cJSON* array = Item(object, key);
    return cJSON_IsArray(array) && cJSON_GetArraySize(array) == length ? array : nullptr;
}

bool ReadIntElements(const cJSON* array, std::span<int32_t> out, int32_t low, int32_t high) {
    if (!cJSON_IsArray(array) || cJSON_GetArraySize(array) != static_cast<int>(out.size())) {
        return false;
    }
    size_t index = 0;
    for (const cJSON* item = array->child; item != nullptr; item = item->next) {
        if (!cJSON_IsNumber(item) || item->valueint < low || item->valueint > high) return false;
        out[index++] = item->valueint;
    }
    return true;
}

bool ReadIntArray(const cJSON* object, const char* key, std::span<int32_t> out,
                  int32_t low = INT32_MIN, int32_t high = INT32_MAX) {
    return ReadIntElements(Item(object, key), out, low, high);
}

bool ReadSection(const cJSON* crossover, const char* key, FilterSection& section) {
    const cJSON* side = Item(crossover, key);
    int32_t fs = 0;
    int32_t type = 0;
    int32_t slope = 0;
    int32_t bypass = 0;
    if (!cJSON_IsObject(side) || !ReadInt(side, "fs", fs) || !ReadInt(side, "type", type) ||
        !ReadInt(side, "slope", slope) || !ReadInt(side, "bypass", bypass)) {
        return false;
    }
    // Through the setters so out-of-range values take the model's fallbacks.
    section.SetFs(fs);
    section.SetType(type);
    section.SetSlope(slope);
    section.bypass = bypass;
    return true;
}

bool ReadBand(const cJSON* object, EqBand& band) {
    int32_t enable = 0;
    if (!cJSON_IsObject(object) || !ReadInt(object, "freq", band.freq) ||
        !ReadFloat(object, "eqFactor", band.eqFactor) ||
        !ReadFloat(object, "eqGain", band.eqGain) || !ReadInt(object, "enable", enable)) {
        return false;
    }
    band.enable = enable != 0 ? 1 : 0;
    return true;
}

bool ReadChannel(const cJSON* object, OutputChannel& channel, int output) {
    const int32_t capacity = BandCapacity(output);
    int32_t bypass = 0;
    if (!cJSON_IsObject(object) ||
        !ReadIntIn(object, "eqSize", capacity, capacity, channel.eqSize) ||
        !ReadInt(object, "gain", channel.gain) || !ReadInt(object, "mute", channel.mute) ||
        !ReadFloat(object, "delay", channel.delay) || !ReadInt(object, "phase", channel.phase) ||
        !ReadInt(object, "bypass", bypass)) {
        return false;
    }
    channel.bypass = static_cast<uint8_t>(bypass & 0xFF);
    const cJSON* crossover = Item(object, "crossover");
    if (!cJSON_IsObject(crossover) || !ReadInt(crossover, "bpType", channel.crossover.bpType) ||
        !ReadSection(crossover, "hp", channel.crossover.hp) ||
        !ReadSection(crossover, "lp", channel.crossover.lp)) {
        return false;
    }
    const cJSON* bands = ArrayOf(object, "eqArray", channel.eqSize);
    if (bands == nullptr) return false;
    int index = 0;
    for (const cJSON* band = bands->child; band != nullptr; band = band->next) {
        if (!ReadBand(band, channel.eqArray[index++])) return false;
    }
    return true;
}

// The keys both file kinds share; scene slots of a whole file carry no threshold.
bool ReadBody(const cJSON* object, DspProfile& profile, bool withThreshold) {
    if (!cJSON_IsObject(object)) return false;
    const cJSON* inputs = ArrayOf(object, "inputs", kSourceCount);
    if (inputs == nullptr) return false;
    int source = 0;
    for (const cJSON* row = inputs->child; row != nullptr; row = row->next) {
        if (!ReadIntElements(row, profile.routing[source++], INT32_MIN, INT32_MAX)) return false;
    }
    // Outputs, partners and the current output are indexes elsewhere: out-of-range values would
    // point outside the model, so such a file is refused.
    if (!ReadIntArray(object, "outputs", profile.roles, 0, kRoleCount - 1) ||
        !ReadIntArray(object, "linkOutputs", profile.linkOutputs, -1, kOutputCount - 1) ||
        !ReadIntArray(object, "showChEqualizer", profile.showChEqualizer) ||
        !ReadIntIn(object, "currChannel", 0, kOutputCount - 1, profile.currChannel) ||
        !ReadInt(object, "linkMode", profile.linkMode) ||
        !ReadInt(object, "lockMode", profile.lockMode)) {
        return false;
    }
    if (withThreshold && !ReadInt(object, "inputThreshold", profile.inputThreshold)) return false;
    const cJSON* channels = ArrayOf(object, "channels", kOutputCount);
    if (channels == nullptr) return false;
    int output = 0;
    for (const cJSON* channel = channels->child; channel != nullptr; channel = channel->next) {
        if (!ReadChannel(channel, profile.channels[output], output)) return false;
        ++output;
    }
    return true;
}

bool ReadHeader(const cJSON* root, DspProfile& profile) {
    return ReadInt(root, "mainVolume", profile.mainVolume) &&
           ReadInt(root, "subVolume", profile.subVolume) &&
           ReadInt(root, "mainVolumeMute", profile.mainVolumeMute);
}

enum class ModelCheck { Ok, Missing, Mismatch };

ModelCheck CheckModel(const cJSON* root) {
    const cJSON* model = Item(root, "model");
    if (!cJSON_IsNumber(model)) return ModelCheck::Missing;
    return model->valueint == 1 ? ModelCheck::Ok : ModelCheck::Mismatch;
}

void Report(const ProfileMessageFn& report, std::string_view key) {
    if (report) report(key);
}

void ReportLoadError(const ProfileMessageFn& report) {
    LogPrintA("read profile file error! error\n");
    Report(report, kProfileLoadError);
    LogPrintA("read profile file error! error1\n");
}

// Parses the file; reports and returns null when it cannot be read, parsed or is of another model.
JsonPtr OpenProfile(const std::filesystem::path& path, std::string_view parseErrorKey,
                    const ProfileMessageFn& report) {
    const std::unique_ptr<char[]> text = ReadFileText(path);
    if (!text) {
        Report(report, kProfileOpenError);
        return nullptr;
    }
    JsonPtr root(cJSON_Parse(text.get()));
    if (!root) {
        Report(report, parseErrorKey);
        return nullptr;
    }
    switch (CheckModel(root.get())) {
        case ModelCheck::Ok:
            return root;
        case ModelCheck::Mismatch:
            Report(report, kSoftwareNotMatch);
            LogPrintA("read profile file error! error1\n");
            return nullptr;
        case ModelCheck::Missing:
            break;
    }
    ReportLoadError(report);
    return nullptr;
}

struct WholeScratch {
    DspProfile current;
    SceneSlots scenes;
    SceneNameTable names;
};

bool ReadWholeInto(const cJSON* root, WholeScratch& scratch) {
    if (!ReadHeader(root, scratch.current)) return false;
    const cJSON* names = ArrayOf(root, "sceneName", kSceneCount);
    if (names == nullptr) return false;
    int slot = 0;
    for (const cJSON* name = names->child; name != nullptr; name = name->next) {
        if (!cJSON_IsString(name)) return false;
        scratch.names[slot++] = DecodeSceneName(name->valuestring);
    }
    if (!ReadBody(Item(root, "currentProfile"), scratch.current, true)) return false;
    const cJSON* scenes = ArrayOf(root, "sceneArray", kSceneCount);
    if (scenes == nullptr) return false;
    slot = 0;
    for (const cJSON* scene = scenes->child; scene != nullptr; scene = scene->next) {
        if (!ReadBody(scene, scratch.scenes[slot++], false)) return false;
    }
    return true;
}

}  // namespace

bool readSceneProfile(const std::filesystem::path& path, DspProfile& profile,
                      const ProfileMessageFn& report) {
    const JsonPtr root = OpenProfile(path, kProfileOpenError, report);
    if (!root) return false;
    const std::unique_ptr<DspProfile> scratch(new (std::nothrow) DspProfile(profile));
    if (!scratch || !ReadHeader(root.get(), *scratch) || !ReadBody(root.get(), *scratch, true)) {
        ReportLoadError(report);
        return false;
    }
    profile = *scratch;
    LogPrintA("read profile file ok\n");
    return true;
}

bool readWholeProfile(const std::filesystem::path& path, WholeProfile target,
                      const ProfileMessageFn& report) {
    const JsonPtr root = OpenProfile(path, kProfileLoadError, report);
    if (!root) return false;
    const std::unique_ptr<WholeScratch> scratch(
        new (std::nothrow) WholeScratch{target.current, target.scenes, target.names});
    if (!scratch || !ReadWholeInto(root.get(), *scratch)) {
        ReportLoadError(report);
        return false;
    }
    target.current = scratch->current;
    target.scenes = scratch->scenes;
    target.names = scratch->names;
    LogPrintA("read profile file ok\n");
    return true;
}

}  // namespace dv
