#include <cjson/cJSON.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "profiles/FileReplace.h"
#include "profiles/JsonNumber.h"
#include "profiles/ProfileFile.h"
#include "profiles/SceneNameCodec.h"

namespace dv {

namespace {

constexpr int kModelCode = 1;
constexpr const char* kModelName = "DV80MAX";

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

struct TextDeleter {
    void operator()(char* text) const { cJSON_free(text); }
};

// Builds the object tree in the file's key order. cJSON reports an allocation failure by a null
// result; the first one marks the whole tree as unusable.
class TreeBuilder {
public:
    bool ok() const { return ok_; }

    // Printed here rather than by cJSON, whose own check accepts 15 digits that merely come
    // close to the value.
    void Number(cJSON* object, const char* key, double value) {
        Check(object != nullptr &&
              cJSON_AddRawToObject(object, key, FormatJsonNumber(value).c_str()) != nullptr);
    }

    void String(cJSON* object, const char* key, const char* value) {
        Check(object != nullptr && cJSON_AddStringToObject(object, key, value) != nullptr);
    }

    cJSON* Object(cJSON* object, const char* key) {
        return Check(object != nullptr ? cJSON_AddObjectToObject(object, key) : nullptr);
    }

    cJSON* Array(cJSON* object, const char* key) {
        return Check(object != nullptr ? cJSON_AddArrayToObject(object, key) : nullptr);
    }

    // Appends `item` to `array`, or frees it when the array could not be made.
    cJSON* Append(cJSON* array, cJSON* item) {
        if (Check(item) == nullptr) return nullptr;
        if (array == nullptr || !cJSON_AddItemToArray(array, item)) {
            cJSON_Delete(item);
            ok_ = false;
            return nullptr;
        }
        return item;
    }

    template <size_t N>
    void IntArray(cJSON* object, const char* key, const std::array<int32_t, N>& values) {
        cJSON* array = Array(object, key);
        for (const int32_t value : values) Append(array, cJSON_CreateNumber(value));
    }

    void Body(cJSON* object, const DspProfile& profile, bool withThreshold) {
        cJSON* channels = Array(object, "channels");
        for (int output = 0; output < kOutputCount; ++output) {
            Channel(Append(channels, cJSON_CreateObject()), profile.channels[output], output);
        }
        cJSON* inputs = Array(object, "inputs");
        for (const auto& perSource : profile.routing) {
            cJSON* row = Append(inputs, cJSON_CreateArray());
            for (const int32_t mask : perSource) Append(row, cJSON_CreateNumber(mask));
        }
        IntArray(object, "outputs", profile.roles);
        IntArray(object, "linkOutputs", profile.linkOutputs);
        IntArray(object, "showChEqualizer", profile.showChEqualizer);
        Number(object, "currChannel", profile.currChannel);
        Number(object, "linkMode", profile.linkMode);
        Number(object, "lockMode", profile.lockMode);
        if (withThreshold) Number(object, "inputThreshold", profile.inputThreshold);
    }

    void Header(cJSON* root, const DspProfile& profile) {
        Number(root, "model", kModelCode);
        String(root, "model_name", kModelName);
        Number(root, "mainVolume", profile.mainVolume);
        Number(root, "subVolume", profile.subVolume);
        Number(root, "mainVolumeMute", profile.mainVolumeMute);
    }

private:
    cJSON* Check(cJSON* item) {
        if (item == nullptr) ok_ = false;
        return item;
    }
    void Check(bool success) {
        if (!success) ok_ = false;
    }

    void Section(cJSON* object, const char* key, const FilterSection& section) {
        cJSON* side = Object(object, key);
        Number(side, "fs", section.fs);
        Number(side, "type", section.type);
        Number(side, "slope", section.slope);
        Number(side, "bypass", section.bypass);
    }

    void Channel(cJSON* object, const OutputChannel& channel, int output) {
        Number(object, "eqSize", channel.eqSize);
        Number(object, "gain", channel.gain);
        Number(object, "mute", channel.mute);
        Number(object, "delay", static_cast<double>(channel.delay));
        Number(object, "phase", channel.phase);
        Number(object, "bypass", channel.bypass);
        cJSON* crossover = Object(object, "crossover");
        Number(crossover, "bpType", channel.crossover.bpType);
        Section(crossover, "hp", channel.crossover.hp);
        Section(crossover, "lp", channel.crossover.lp);
        cJSON* bands = Array(object, "eqArray");
        const int count = std::clamp(channel.eqSize, 0, BandCapacity(output));
        for (int b = 0; b < count; ++b) {
            const EqBand& band = channel.eqArray[b];
            cJSON* item = Append(bands, cJSON_CreateObject());
            Number(item, "freq", band.freq);
            Number(item, "eqFactor", static_cast<double>(band.eqFactor));
            Number(item, "eqGain", static_cast<double>(band.eqGain));
            Number(item, "enable", band.enable);
        }
    }

    bool ok_ = true;
};

// Prints the tree compactly and makes it the whole file, without terminator or newline; the old
// file stays as it was when that fails.
bool WriteTree(const JsonPtr& root, bool built, const std::filesystem::path& path) {
    if (!built) return false;
    const std::unique_ptr<char, TextDeleter> text(cJSON_PrintUnformatted(root.get()));
    if (!text) return false;
    return ReplaceFileContent(path, text.get());
}

}  // namespace

bool writeSceneProfile(const DspProfile& profile, const std::filesystem::path& path,
                       const ProfileMessageFn& report) {
    TreeBuilder builder;
    const JsonPtr root(cJSON_CreateObject());
    builder.Header(root.get(), profile);
    builder.Body(root.get(), profile, true);
    const bool written = root != nullptr && WriteTree(root, builder.ok(), path);
    if (report) report(written ? kProfileSaveOk : kProfileCreateError);
    return written;
}

bool writeWholeProfile(const DspProfile& current, const SceneSlots& scenes,
                       const SceneNameTable& names, const std::filesystem::path& path) {
    TreeBuilder builder;
    const JsonPtr root(cJSON_CreateObject());
    builder.Header(root.get(), current);
    cJSON* sceneNames = builder.Array(root.get(), "sceneName");
    for (const SceneName& name : names) {
        builder.Append(sceneNames, cJSON_CreateString(EncodeSceneName(name).c_str()));
    }
    builder.Body(builder.Object(root.get(), "currentProfile"), current, true);
    cJSON* sceneArray = builder.Array(root.get(), "sceneArray");
    for (const DspProfile& scene : scenes) {
        builder.Body(builder.Append(sceneArray, cJSON_CreateObject()), scene, false);
    }
    return root != nullptr && WriteTree(root, builder.ok(), path);
}

}  // namespace dv
