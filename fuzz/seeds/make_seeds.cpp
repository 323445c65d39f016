// Writes the fuzz targets' seed corpora: every kind of reply the simulated unit sends (as the
// reply target's chunks and as raw reports), and scene and whole profile files as the panel
// writes them. Run from the fuzz build: fuzz_make_seeds <corpus folder>.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "device/DspDevice.h"
#include "device/FirmwareFile.h"
#include "profiles/ProfileFile.h"
#include "profiles/RewFilterText.h"
#include "sim/SimBus.h"

namespace fs = std::filesystem;

namespace {

struct Sink : dv::MessageSink {
    void Deliver(unsigned, intptr_t, std::unique_ptr<dv::MessageRecord>) override {}
};

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Asks the simulated unit everything it answers and returns the reports it sent back.
std::vector<std::vector<uint8_t>> UnitReplies() {
    auto& bus = dv::sim::SimBus::Instance();
    bus.Reset();
    dv::sim::SimOptions options;
    options.latency = std::chrono::microseconds(0);
    auto unit = std::make_shared<dv::sim::ProcessorSimulator>(options, dv::sim::TunedCarState());
    bus.Plug(unit);
    Sink sink;
    auto window = std::make_shared<dv::WindowTarget>(&sink);
    auto device = std::make_unique<dv::DspDevice>();
    device->SetMainWindow(window);
    device->SetSceneWindow(window);
    device->SetAutoCalWindow(window);
    device->SetNoiseWindow(window);
    device->OpenHIDDevice();
    bus.ClearTranscript();

    dv::DspDevice& d = *device;
    d.Hand_Connect();
    d.Get_Flash_Version();
    d.Get_Bootloader_Version();
    d.Get_Source_Config();
    d.Get_Source();
    d.Get_Main_Volume();
    d.Get_Subwoofer_Volume();
    d.Get_Mute();
    for (uint8_t scene : {0, 3}) {
        d.Get_Filter(scene, 0, 0, 7);
        d.Get_EQ(scene, 0, 0, 0, 7);
        d.Get_EQ(scene, 0, 7, 8, 10);
        d.Get_Delay(scene, 0, 0, 7);
        d.Get_Trim(scene, 0, 0, 7);
        d.Get_Mute_Ch(scene, 0, 0, 7);
        d.Get_Phase(scene, 0, 0, 7);
        d.Get_Mix_Ch(scene, 0, 0);
        d.Get_Remap_Ch(scene, 0, 0, 7);
        d.Get_CH_Type(scene, 0, 0, 7);
        d.Get_CH_Link(scene);
        d.Get_CH_Lock(scene);
        d.Get_All_Bypass(scene, 0, 0, 7);
        d.Get_PEQ_Reset(scene, 0, 0, 7);
        d.Get_PEQ_Bypass(scene, 0, 0, 7);
        d.Get_Input_Trim(scene, 4, 0, 3);
        d.Get_Mute_Input_Ch(scene, 4, 0, 3);
        d.Get_Input_Phase(scene, 4, 0, 3);
        d.Get_Input_EQ(scene, 4, 0, 0, 4);
        d.Get_Input_Mix_CH_Trim(scene, 4, 0, 0, 7);
        d.Get_Input_Threshold(scene, 0, true);
    }
    d.Get_Input_Noise(0, 3, true);
    d.IRC_Ctrl(1, 0x00FF, 0, true);
    for (int poll = 0; poll < 20; ++poll) d.IRC_Get();
    d.IRC_Get_Distance(0, 7);
    d.IRC_Get_Trim(0, 7);
    d.IRC_Get_EQ(0, 0, 7);
    d.IRC_Get_Spk_Size(0, 7);
    d.IRC_Get_Spk_Phase(0, 7);
    d.IRC_Get_Spk_Level(0, 7);
    d.IRC_Get_Spectrum(0, 0, 7);
    d.IRC_Get_Noise_Level(0, 7);
    d.IRC_Get_RTA();
    for (uint8_t scene = 1; scene <= 2; ++scene) d.Get_Scene_Name(scene);
    d.SaveScene(1, 1);
    d.DeleteScene(2);
    d.GetSceneProfile(1, 0, 32);
    d.Mute_Ctrl(1, true);
    unit->SetNotReadyAcks(1);
    d.Mute_Ctrl(0, true);
    // Upgrade acknowledgements, then the commands after which the unit leaves the bus.
    const uint8_t header[4] = {1, 1, 0, 0};
    const uint8_t block[32] = {0x5A};
    d.Flash_Upg_Start(header);
    d.Flash_Upg_Data(0, block);
    d.Flash_Upg_Finish();
    d.MCU_Upg_Start(header);
    d.MCU_Upg_Data(0, block);
    d.MCU_Upg_Finish();
    d.BL_Upg_Start(header);
    d.BL_Upg_Data(0, block);
    d.BL_Upg_Finish();
    d.Factory_Default_Ctrl();
    d.MCU_Enter_Upg_Mode();

    uint8_t buffer[65];
    while (d.ReadHIDData(buffer, 20)) {
    }
    std::vector<std::vector<uint8_t>> replies;
    for (const auto& entry : bus.Transcript()) {
        if (entry.direction == dv::sim::Direction::FromUnit) replies.push_back(entry.bytes);
    }
    device.reset();
    bus.Reset();
    return replies;
}

// The frame at the start of a report: header, length, body and checksum; empty if none.
std::vector<uint8_t> FrameOf(const std::vector<uint8_t>& report) {
    if (report.size() < 4 || report[0] != 0xAA || report[1] != 0x55) return {};
    const size_t total = 3u + report[2] + 1u;
    if (report[2] < 3 || total > report.size()) return {};
    return {report.begin(), report.begin() + static_cast<long>(total)};
}

// The reply target's chunk: payload length, mcmd, subcmd, optype, payload.
std::vector<uint8_t> ChunkOf(const std::vector<uint8_t>& frame) {
    const uint8_t length = static_cast<uint8_t>(frame[2] - 3);
    std::vector<uint8_t> chunk = {length};
    chunk.insert(chunk.end(), frame.begin() + 3, frame.end() - 1);
    return chunk;
}

void ReplySeeds(const fs::path& root) {
    const fs::path chunks = root / "device_replies";
    const fs::path raw = root / "device_frame_assembler";
    fs::create_directories(chunks);
    fs::create_directories(raw);
    // One seed per reply kind and payload length; acknowledgements also per status byte.
    std::map<std::tuple<int, int, int, int, int>, std::vector<uint8_t>> kinds;
    for (const auto& report : UnitReplies()) {
        const std::vector<uint8_t> frame = FrameOf(report);
        if (frame.empty()) continue;
        const int status = frame[5] == 0xEE && frame.size() > 7 ? frame[6] : 0;
        kinds.emplace(std::make_tuple(frame[3], frame[4], frame[5], frame[2], status), report);
    }
    std::vector<uint8_t> allChunks;
    std::vector<uint8_t> allRaw;
    for (const auto& [kind, report] : kinds) {
        const auto [mcmd, subcmd, optype, length, status] = kind;
        char name[64];
        std::snprintf(name, sizeof name, "reply-%d-%02x-%02x-len%d-%02x", mcmd, subcmd, optype,
                      length, status);
        const std::vector<uint8_t> chunk = ChunkOf(FrameOf(report));
        WriteFile(chunks / name, chunk);
        WriteFile(raw / name, report);
        allChunks.insert(allChunks.end(), chunk.begin(), chunk.end());
        allRaw.insert(allRaw.end(), report.begin(), report.end());
    }
    WriteFile(chunks / "all-replies", allChunks);
    WriteFile(raw / "all-replies", allRaw);
    std::printf("%zu reply kinds\n", kinds.size());
}

dv::DspProfile SampleProfile() {
    dv::DspProfile p;
    p.mainVolume = -12;
    p.subVolume = 4;
    for (int o = 0; o < dv::kOutputCount; ++o) {
        dv::OutputChannel& c = p.channels[o];
        c.gain = -o;
        c.delay = 0.37f * static_cast<float>(o);
        c.crossover.hp.SetFs(60 + 10 * o);
        c.crossover.hp.SetSlope(o % 9);
        for (int b = 0; b < c.eqSize; b += 3)
            c.eqArray[b].eqGain = 0.1f * static_cast<float>(b - 15);
    }
    p.roles[0] = 3;
    p.linkMode = 1;
    p.ComputeLinkPartners();
    return p;
}

void ProfileSeeds(const fs::path& root) {
    const fs::path dir = root / "profile_reader";
    fs::create_directories(dir);
    const dv::DspProfile sample = SampleProfile();
    dv::writeSceneProfile(dv::DspProfile{}, dir / "default.spf", nullptr);
    dv::writeSceneProfile(sample, dir / "sample.spf", nullptr);
    auto scenes = std::make_unique<dv::SceneSlots>();
    (*scenes)[4] = sample;
    dv::SceneNameTable names{};
    names[0] = {u'S', u'1'};
    names[1].fill(u'\xFFFF');
    dv::writeWholeProfile(sample, *scenes, names, dir / "sample.wpf");
}

// Firmware files of each shape the parser tells apart: good ones, one of each refusal.
void FirmwareSeeds(const fs::path& root) {
    const fs::path dir = root / "firmware_file";
    fs::create_directories(dir);
    std::vector<uint8_t> image(100);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
    const auto good = dv::MakeFirmwareFile(image, {1, 0, 0, 100});
    WriteFile(dir / "good", good);
    WriteFile(dir / "one-byte", dv::MakeFirmwareFile(std::vector<uint8_t>{0x42}, {1, 0, 0, 1}));
    WriteFile(dir / "flash-kind", dv::MakeFirmwareFile(image, {1, 0, 0, 100}, 2));
    WriteFile(dir / "empty-image", std::vector<uint8_t>(good.begin(), good.begin() + 14));
    auto bad = good;
    bad[40] ^= 0xFF;
    WriteFile(dir / "bad-sum", bad);
    WriteFile(dir / "other-model", dv::MakeFirmwareFile(image, {1, 0, 0, 100}, 1, 2));
}

// REW filter texts: as the panel exports them, and as REW writes them with every row kind.
void RewSeeds(const fs::path& root) {
    const fs::path dir = root / "rew_filter_text";
    fs::create_directories(dir);
    const dv::DspProfile sample = SampleProfile();
    auto text = [](const std::string& content) {
        return std::vector<uint8_t>(content.begin(), content.end());
    };
    WriteFile(dir / "export-31", text(dv::WriteRewFilterText(sample.Bands(0), false, "output 1")));
    WriteFile(dir / "export-11-bypassed",
              text(dv::WriteRewFilterText(sample.Bands(6), true, "output 7")));
    WriteFile(dir / "rew-kinds",
              text("\xEF\xBB\xBF"
                   "Filter Settings file\r\n\r\nRoom EQ V5.20\r\nNotes:x\r\n"
                   "Equaliser: Generic\r\nAverage 1\r\n"
                   "Filter  1: ON  PK       Fc   100,00 Hz  Gain  -3,50 dB  Q  1,410\r\n"
                   "Filter  2: ON  PK       Fc 1000 Hz Gain 2.0 dB BW Oct 0.667\r\n"
                   "Filter  3: OFF PK       Fc 1.2 kHz Gain 1 dB Q 3\r\n"
                   "Filter  4: ON  LS 6dB   Fc 80 Hz Gain 3 dB\r\n"
                   "Filter  5: ON  HP       Fc 25 Hz\r\n"
                   "Filter  6: ON  PK       Fc x Hz\r\n"
                   "Filter  7: ON  None\r\n"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    ReplySeeds(root);
    ProfileSeeds(root);
    FirmwareSeeds(root);
    RewSeeds(root);
    return 0;
}
