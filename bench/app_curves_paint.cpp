// Figures of the equalizer curve control: one full paint with eight 512-point curves and 31 bands
// at 100 % and 200 % into an offscreen image, and a mouse move during a band drag up to the
// "equalizer_eq" notification.
//
// Also a way to look at the controls: `bench_app_curves_paint --shots DIR` writes PNGs of the
// equalizer (graphic and parametric mode, 100 % and 200 %) and of the calibration plot to DIR.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/SkinResources.h"
#include "controls/UIEqualizer.h"
#include "controls/UIEqualizerAc.h"
#include "curves/FilterMath.h"
#include "model/DspProfile.h"
#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

using namespace DuiLib;

namespace {

constexpr int kPlotWidth = 800;  // at 100 %
constexpr int kPlotHeight = 260;

// Eight outputs with crossovers and band gains that make every curve different.
dv::DspProfile DemoProfile() {
    dv::DspProfile p;
    for (int c = 0; c < dv::kOutputCount; ++c) {
        dv::OutputChannel& ch = p.channels[static_cast<std::size_t>(c)];
        ch.bypass = 0;
        for (int i = 0; i < ch.eqSize; ++i) {
            ch.eqArray[static_cast<std::size_t>(i)].eqGain =
                static_cast<float>(std::round(40.0 * std::sin(i * 0.7 + c)) / 10.0);
        }
        ch.crossover.hp.SetSlope(2 + c % 3);
        ch.crossover.hp.SetFs(30 + c * 20);
        ch.crossover.lp.SetSlope(c % 2 ? 4 : 0);
        ch.crossover.lp.SetFs(8000 + c * 1000);
        p.showChEqualizer[static_cast<std::size_t>(c)] = 1;
        dv::computeChannelCurve(p, c, false);
    }
    return p;
}

// Collects the control's notifications, as the main window's handler would receive them.
class NotifyCounter : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override {
        if (msg.sType == DUI_MSGTYPE_EQUALIZER_EQ) ++eqCount;
    }
    long eqCount = 0;
};

// One equalizer control on a paint manager at a scale, loaded with the demo profile.
struct EqualizerRig {
    explicit EqualizerRig(int scale, bool parametric = false) {
        manager.GetDPIObj()->SetScale(scale);
        // The main window's fonts: 12 px by default, 10 px for the curve's labels.
        TFontInfo font;
        font.sFontName = QStringLiteral("WenQuanYi Micro Hei");
        font.iSize = 12;
        manager.AddFont(0, font, true);
        font.iSize = 10;
        manager.AddFont(4, font);
        manager.AddNotifier(&notifier);
        control.SetManager(&manager, nullptr, false);
        control.SetBkColor(0xFF1C2128);
        control.SetAttribute(QStringLiteral("font"), QStringLiteral("4"));
        control.SetPos(CDuiRect(0, 0, kPlotWidth * scale / 100, kPlotHeight * scale / 100));
        control.setDragAllDirection(parametric);
        const dv::DspProfile profile = DemoProfile();
        control.setCurEqBands(profile.channels[0].eqArray.data(), profile.channels[0].eqSize, 17);
        control.setCurEqHpLp(profile.channels[0].crossover.hp.fs,
                             profile.channels[0].crossover.lp.fs);
        control.setCurves(profile.curveFreq[0].data(), profile.curveLevel[0].data(),
                          dv::kOutputCount, 0, profile.showChEqualizer.data());
    }
    ~EqualizerRig() { manager.RemoveNotifier(&notifier); }

    QImage Paint() {
        const CDuiRect pos = control.GetPos();
        QImage image(pos.GetWidth(), pos.GetHeight(), QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0x14, 0x17, 0x1C));
        QPainter painter(&image);
        control.DoPaint(painter, pos);
        return image;
    }

    CPaintManagerUI manager;
    NotifyCounter notifier;
    UIEqualizer control;
};

// An image the size of the control, to paint into.
QImage PlotImage(UIEqualizer& control) {
    const CDuiRect pos = control.GetPos();
    return QImage(pos.GetWidth(), pos.GetHeight(), QImage::Format_ARGB32_Premultiplied);
}

// Hands the profile's curves to the control and paints it once.
void PaintWithCurves(UIEqualizer& control, const dv::DspProfile& p, QImage& image) {
    control.setCurves(p.curveFreq[0].data(), p.curveLevel[0].data(), dv::kOutputCount, 0,
                      p.showChEqualizer.data());
    image.fill(QColor(0x14, 0x17, 0x1C));
    QPainter painter(&image);
    control.DoPaint(painter, control.GetPos());
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
}

// A paint right after new curves for every output: all eight curves are drawn anew. Two curve
// sets take turns so that each iteration's paint is such a first paint.
void BM_EqualizerPaint(benchmark::State& state) {
    EqualizerRig rig(static_cast<int>(state.range(0)));
    dv::DspProfile a = DemoProfile();
    dv::DspProfile b = a;
    for (auto& levels : b.curveLevel)
        for (double& v : levels) v += 0.5;
    QImage image = PlotImage(rig.control);
    bool flip = false;
    for (auto _ : state) {
        const dv::DspProfile& p = flip ? b : a;
        flip = !flip;
        PaintWithCurves(rig.control, p, image);
    }
    state.SetLabel(QStringLiteral("%1 %, all curves new").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_EqualizerPaint)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// A repaint during a band drag: the current output's curve is new, the seven others are not.
void BM_EqualizerRepaintDuringDrag(benchmark::State& state) {
    EqualizerRig rig(static_cast<int>(state.range(0)));
    dv::DspProfile p = DemoProfile();
    QImage image = PlotImage(rig.control);
    double shift = 0.1;
    for (auto _ : state) {
        for (double& v : p.curveLevel[0]) v += shift;
        shift = -shift;
        PaintWithCurves(rig.control, p, image);
    }
    state.SetLabel(QStringLiteral("%1 %, current curve new").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_EqualizerRepaintDuringDrag)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_BandDragMove(benchmark::State& state) {
    EqualizerRig rig(100, state.range(0) != 0);
    UIEqualizer& eq = rig.control;
    const dv::CurvePoint start = eq.GetEditor().point(10);
    TEventUI down;
    down.Type = UIEVENT_BUTTONDOWN;
    down.ptMouse = QPoint(start.x, start.y);
    eq.DoEvent(down);
    TEventUI move;
    move.Type = UIEVENT_MOUSEMOVE;
    int step = 0;
    for (auto _ : state) {
        // Alternating heights so that every move changes the gain and notifies.
        move.ptMouse = QPoint(start.x + (step & 1), start.y + ((step & 1) ? 20 : -20));
        ++step;
        eq.DoEvent(move);
    }
    if (rig.notifier.eqCount != step) state.SkipWithError("a move did not notify");
    state.SetLabel(state.range(0) ? "parametric" : "graphic");
}
BENCHMARK(BM_BandDragMove)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void SaveShots(const QString& dir) {
    QDir().mkpath(dir);
    for (int scale : {100, 200}) {
        for (bool parametric : {false, true}) {
            EqualizerRig rig(scale, parametric);
            rig.Paint().save(QStringLiteral("%1/equalizer_%2_%3.png")
                                 .arg(dir, parametric ? "parametric" : "graphic")
                                 .arg(scale));
        }
    }
    // The all-flat text in both languages of the skin.
    if (PrepareSkinResources()) {
        CResourceManager* resources = CResourceManager::GetInstance();
        resources->LoadLanguage(QStringLiteral("lan/lan_cn.xml"), QStringLiteral("cn_zh"));
        resources->LoadLanguage(QStringLiteral("lan/lan_en.xml"), QStringLiteral("en"));
    }
    for (const char* language : {"cn_zh", "en"}) {
        CResourceManager::GetInstance()->SelectLanguage(QString::fromLatin1(language));
        EqualizerRig rig(100);
        std::vector<dv::EqBand> flat(dv::kMaxBands);
        for (std::size_t i = 0; i < flat.size(); ++i) flat[i].freq = dv::kBandFrequencies[i];
        rig.control.setCurEqBands(flat.data(), dv::kMaxBands, -1);
        rig.Paint().save(QStringLiteral("%1/equalizer_all_bypass_%2.png").arg(dir, language));
    }

    const dv::DspProfile profile = DemoProfile();
    std::vector<double> freqs(8 * 121);
    std::vector<double> levels(8 * 121);
    for (int c = 0; c < 8; ++c) {
        for (int k = 0; k < 121; ++k) {
            freqs[static_cast<std::size_t>(c * 121 + k)] = 20 + std::floor(k * 19980.0 / 121);
            levels[static_cast<std::size_t>(c * 121 + k)] = 6 * std::sin(k * 0.15 + c) - c;
        }
    }
    const uint8_t shown[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    CPaintManagerUI manager;
    UIEqualizerAc plot;
    plot.SetManager(&manager, nullptr, false);
    plot.SetBkColor(0xFF1C2128);
    plot.SetPos(CDuiRect(0, 0, 800, 300));
    plot.setMeasuredCurves(freqs.data(), levels.data(), 8, shown);
    plot.setCurves(profile.curveFreq[0].data(), profile.curveLevel[0].data(), 8, shown);
    QImage image(800, 300, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x14, 0x17, 0x1C));
    QPainter painter(&image);
    plot.DoPaint(painter, plot.GetPos());
    painter.end();
    image.save(dir + QStringLiteral("/calibration_100.png"));
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--shots") == 0) {
            SaveShots(QString::fromLocal8Bit(argv[i + 1]));
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
