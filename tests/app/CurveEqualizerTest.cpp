// The equalizer curve control on a paint manager: notifications and user data of drags and
// hovers, markup attributes, and what a paint puts on screen at 100 % and 200 %; its axis labels
// in the main window at every scale.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "MainWndTestSupport.h"
#include "controls/UIEqualizer.h"
#include "controls/UIEqualizerPainter.h"
#include "curves/FilterMath.h"
#include "model/DspProfile.h"
#include "ui/UIManager.h"

using namespace DuiLib;

namespace {

constexpr DWORD kBackground = 0xFF1C2128;

class Recorder : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override {
        types.push_back(msg.sType);
        senders.push_back(msg.pSender);
        params.push_back(static_cast<long long>(msg.wParam) + msg.lParam);
        userData.push_back(msg.pSender ? msg.pSender->GetUserData() : QString());
    }
    std::vector<QString> types;
    std::vector<CControlUI*> senders;
    std::vector<long long> params;
    std::vector<QString> userData;
};

std::vector<dv::EqBand> Bands(float gain) {
    std::vector<dv::EqBand> bands(dv::kMaxBands);
    for (int i = 0; i < dv::kMaxBands; ++i) {
        bands[static_cast<std::size_t>(i)].freq = dv::kBandFrequencies[static_cast<std::size_t>(i)];
        bands[static_cast<std::size_t>(i)].eqGain = gain;
    }
    return bands;
}

class CurveEqualizer : public ::testing::Test {
protected:
    void SetUp() override { Attach(100); }
    void TearDown() override { manager.RemoveNotifier(&recorder); }

    void Attach(int scale) {
        manager.GetDPIObj()->SetScale(scale);
        manager.AddNotifier(&recorder);
        eq.SetManager(&manager, nullptr, false);
        eq.SetBkColor(kBackground);
        eq.SetPos(CDuiRect(0, 0, 600 * scale / 100, 300 * scale / 100));
        bands = Bands(0.0f);
        eq.setCurEqBands(bands.data(), dv::kMaxBands, -1);
        eq.setCurEqHpLp(80, 8000);
    }

    void Event(int type, dv::CurvePoint p) {
        TEventUI e;
        e.Type = type;
        e.ptMouse = QPoint(p.x, p.y);
        eq.DoEvent(e);
    }

    QImage Paint() {
        QImage image(eq.GetWidth(), eq.GetHeight(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        eq.DoPaint(painter, eq.GetPos());
        return image;
    }

    CPaintManagerUI manager;
    Recorder recorder;
    UIEqualizer eq;
    std::vector<dv::EqBand> bands;
};

// Pixels that differ between two images inside a rectangle.
int Differences(const QImage& a, const QImage& b, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

bool IsGreenish(QRgb c) {
    return qGreen(c) > 120 && qRed(c) < 90 && qBlue(c) < 90;
}

TEST_F(CurveEqualizer, IdentityFlagsAndInterface) {
    EXPECT_EQ(eq.GetClass(), QStringLiteral("UIEqualizer"));
    EXPECT_EQ(eq.GetInterface(QStringLiteral("Curve")), &eq);
    EXPECT_EQ(eq.GetControlFlags(), static_cast<UINT>(UIFLAG_SETCURSOR));
    eq.SetEnabled(false);
    EXPECT_EQ(eq.GetControlFlags(), 0u);
    eq.SetEnabled(true);

    TEventUI focus;
    focus.Type = UIEVENT_SETFOCUS;
    eq.DoEvent(focus);
    EXPECT_TRUE(eq.HasFocusFlag());
    focus.Type = UIEVENT_KILLFOCUS;
    eq.DoEvent(focus);
    EXPECT_FALSE(eq.HasFocusFlag());
}

TEST_F(CurveEqualizer, BandDragNotifiesWithTheBandInTheUserData) {
    EXPECT_TRUE(eq.GetUserData().isEmpty());
    const dv::CurvePoint p = eq.GetEditor().point(17);
    Event(UIEVENT_BUTTONDOWN, p);
    EXPECT_EQ(eq.GetUserData(), QStringLiteral("17"));
    EXPECT_TRUE(recorder.types.empty());

    Event(UIEVENT_MOUSEMOVE, {p.x + 30, p.y - 60});
    ASSERT_EQ(recorder.types.size(), 1u);
    EXPECT_EQ(recorder.types[0], QStringLiteral("equalizer_eq"));
    EXPECT_EQ(recorder.senders[0], &eq);
    EXPECT_EQ(recorder.params[0], 0);
    EXPECT_EQ(recorder.userData[0], QStringLiteral("17"));
    EXPECT_FLOAT_EQ(eq.GetBand(17).eqGain, 6.0f);
    EXPECT_EQ(eq.GetBand(17).freq, 1000);  // graphic mode: the frequency stays

    Event(UIEVENT_BUTTONUP, {p.x, 5000});
    ASSERT_EQ(recorder.types.size(), 2u);
    EXPECT_EQ(recorder.types[1], QStringLiteral("equalizer_eq"));
    EXPECT_EQ(eq.GetBand(17).eqGain, -18.0f);
    EXPECT_EQ(eq.GetEditor().captureMode(), dv::NO_CAPTURE);
}

TEST_F(CurveEqualizer, HoverSelectsWithoutNotifyingAndCornersNotifyTheirKind) {
    Event(UIEVENT_MOUSEMOVE, eq.GetEditor().point(4));
    EXPECT_EQ(eq.GetUserData(), QStringLiteral("4"));
    EXPECT_EQ(eq.GetCurrentControlIndex(), 4);
    EXPECT_TRUE(recorder.types.empty());

    const dv::CurveRect hp = eq.GetEditor().hpMarkerRect();
    Event(UIEVENT_BUTTONDOWN, {hp.left + 3, hp.top + 3});
    Event(UIEVENT_MOUSEMOVE, {-100, 0});
    Event(UIEVENT_BUTTONUP, {-100, 0});
    ASSERT_EQ(recorder.types.size(), 2u);
    EXPECT_EQ(recorder.types[0], QStringLiteral("equalizer_hp"));
    EXPECT_EQ(eq.GetHpFreq(), 20);
    // The user data still names the last band selected.
    EXPECT_EQ(recorder.userData[1], QStringLiteral("4"));

    const dv::CurveRect lp = eq.GetEditor().lpMarkerRect();
    Event(UIEVENT_BUTTONDOWN, {lp.left + 3, lp.top + 3});
    Event(UIEVENT_BUTTONUP, {5000, 0});
    EXPECT_EQ(recorder.types.back(), QStringLiteral("equalizer_lp"));
    EXPECT_EQ(eq.GetLpFreq(), 20000);
}

TEST_F(CurveEqualizer, TextAttributesSetTheLabelFlags) {
    EXPECT_EQ(eq.GetTextSettings().textStyle, 37u);
    eq.SetAttribute(QStringLiteral("align"), QStringLiteral("right"));
    eq.SetAttribute(QStringLiteral("valign"), QStringLiteral("bottom"));
    EXPECT_EQ(eq.GetTextSettings().textStyle,
              static_cast<UINT>(DT_RIGHT | DT_BOTTOM | DT_SINGLELINE));
    eq.SetAttribute(QStringLiteral("wordbreak"), QStringLiteral("true"));
    EXPECT_EQ(eq.GetTextSettings().textStyle,
              static_cast<UINT>(DT_RIGHT | DT_BOTTOM | DT_WORDBREAK | DT_EDITCONTROL));
    eq.SetAttribute(QStringLiteral("wordbreak"), QStringLiteral("no"));
    eq.SetAttribute(QStringLiteral("noprefix"), QStringLiteral("true"));
    eq.SetAttribute(QStringLiteral("endellipsis"), QStringLiteral("true"));
    EXPECT_EQ(
        eq.GetTextSettings().textStyle,
        static_cast<UINT>(DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS));
    eq.SetAttribute(QStringLiteral("font"), QStringLiteral("3"));
    eq.SetAttribute(QStringLiteral("textcolor"), QStringLiteral("#FF102030"));
    eq.SetAttribute(QStringLiteral("disabledtextcolor"), QStringLiteral("FF405060"));
    eq.SetAttribute(QStringLiteral("textpadding"), QStringLiteral("1,2,3,4"));
    eq.SetAttribute(QStringLiteral("autocalcwidth"), QStringLiteral("true"));
    EXPECT_EQ(eq.GetTextSettings().font, 3);
    EXPECT_EQ(eq.GetTextSettings().textColor, 0xFF102030u);
    EXPECT_EQ(eq.GetTextSettings().disabledTextColor, 0xFF405060u);
    EXPECT_EQ(eq.GetTextSettings().textPadding, CDuiRect(1, 2, 3, 4));
    EXPECT_TRUE(eq.GetTextSettings().autoCalcWidth);
    // Everything else is the base control's.
    eq.SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#FF223344"));
    EXPECT_EQ(eq.GetBkColor(), 0xFF223344u);
}

TEST_F(CurveEqualizer, EndEllipsisShortensALabelTooWideForItsPlaceInsteadOfCuttingIt) {
    TFontInfo big;
    big.sFontName = QStringLiteral("WenQuanYi Micro Hei");
    big.iSize = 16;
    manager.AddFont(9, big);
    eq.SetAttribute(QStringLiteral("font"), QStringLiteral("9"));
    eq.SetAttribute(QStringLiteral("endellipsis"), QStringLiteral("true"));
    bands[15].eqGain = -12.5f;
    eq.setCurEqBands(bands.data(), dv::kMaxBands, 15);
    const QImage shot = Paint();
    const dv::CurveRect label = eq.GetEditor().selectedLabelRect();
    ASSERT_GT(label.width(), 0);
    // The red ink of "-12.5 dB" (16 px is far wider than its place) on the label's rows.
    int minX = shot.width();
    int maxX = -1;
    for (int y = label.top; y < label.bottom; ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 90 && c.blue() < 90) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    ASSERT_GE(maxX, 0) << "nothing shown";
    EXPECT_GE(minX, label.left);
    EXPECT_LT(maxX, label.right);
    // Shortened to fit, not cut at both edges.
    EXPECT_LT(maxX - minX + 1, label.width() - 2);
}

TEST_F(CurveEqualizer, AllBypassTextShowsOnlyWhileEveryGainIsZero) {
    const QImage flat = Paint();
    bands[3].eqGain = 0.1f;
    eq.setCurEqBands(bands.data(), dv::kMaxBands, -1);
    const QImage raised = Paint();
    bands[3].eqGain = 0.2f;
    eq.setCurEqBands(bands.data(), dv::kMaxBands, -1);
    const QImage raisedMore = Paint();
    // Below the band handles, in the middle of the plot, where the text is centred.
    const QRect textArea(200, 150, 200, 40);
    EXPECT_GT(Differences(flat, raised, textArea), 20);
    EXPECT_EQ(Differences(raised, raisedMore, textArea), 0);
}

TEST_F(CurveEqualizer, CurrentCurveIsGreenOthersGreyAndNoneWithoutCurves) {
    auto greenCount = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += IsGreenish(img.pixel(x, y));
        return n;
    };
    EXPECT_EQ(greenCount(Paint()), 0);

    dv::DspProfile profile;
    for (dv::OutputChannel& ch : profile.channels) {
        ch.crossover.hp.SetSlope(2);
        ch.crossover.hp.SetFs(200);
        ch.crossover.lp.SetSlope(0);
    }
    for (int c = 0; c < dv::kOutputCount; ++c) dv::computeChannelCurve(profile, c, true);
    const int32_t shown[8] = {1, 1, 0, 0, 0, 0, 0, 0};
    eq.setCurves(profile.curveFreq[0].data(), profile.curveLevel[0].data(), 8, 1, shown);
    const QImage image = Paint();
    EXPECT_GT(greenCount(image), 300);
    // Well above the high-pass corner the curve runs along the zero line (here between the
    // handles of 3150 Hz and 4000 Hz).
    EXPECT_TRUE(IsGreenish(image.pixel(450, eq.GetEditor().point(0).y)));
    // The slope below the corner is anti-aliased: partly green pixels border it.
    int blended = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < 150; ++x) {
            const QRgb c = image.pixel(x, y);
            blended += qGreen(c) - qRed(c) > 30 && qGreen(c) < 170;
        }
    }
    EXPECT_GT(blended, 20);
}

TEST_F(CurveEqualizer, SelectedBandAndQHandlesArePaintedRedAtTwiceTheDistanceAt200) {
    auto handleOffset = [&](int scale) {
        Attach(scale);
        eq.setDragAllDirection(true);
        bands[17].eqFactor = 1.0f;
        eq.setCurEqBands(bands.data(), dv::kMaxBands, 17);
        const QImage image = Paint();
        const dv::CurveRect right = eq.GetEditor().qHandles().right;
        const QRgb outline = image.pixel(right.left, (right.top + right.bottom) / 2);
        EXPECT_EQ(qRed(outline), 255);
        EXPECT_EQ(qGreen(outline), 0);
        EXPECT_EQ(eq.GetEditor().selectedLabel(), "1000 Hz 1.00 Q 0.0 dB");
        return (right.left + right.right) / 2 - eq.GetEditor().point(17).x;
    };
    EXPECT_EQ(handleOffset(100), 81);
    EXPECT_EQ(handleOffset(200), 162);
}

TEST_F(CurveEqualizer, GreyCurvesAreRedrawnOnlyWhenOneOfThemChanges) {
    dv::DspProfile profile;
    for (int c = 0; c < dv::kOutputCount; ++c) dv::computeChannelCurve(profile, c, false);
    int32_t shown[8] = {1, 1, 1, 0, 0, 0, 0, 0};
    auto hand = [&](int current) {
        eq.setCurves(profile.curveFreq[0].data(), profile.curveLevel[0].data(), 8, current, shown);
    };
    const dv::EqualizerCurveLayer& layer = eq.GetCurveLayer();
    hand(0);
    Paint();
    Paint();
    EXPECT_EQ(layer.renderCount(), 1);
    // Dragging on the current output changes only its own curve.
    for (double& v : profile.curveLevel[0]) v += 1.0;
    hand(0);
    Paint();
    EXPECT_EQ(layer.renderCount(), 1);
    // A shown grey curve, the shown set, the current output and the size each count.
    for (double& v : profile.curveLevel[1]) v -= 1.0;
    hand(0);
    Paint();
    EXPECT_EQ(layer.renderCount(), 2);
    shown[2] = 0;
    hand(0);
    Paint();
    EXPECT_EQ(layer.renderCount(), 3);
    hand(1);
    Paint();
    EXPECT_EQ(layer.renderCount(), 4);
    eq.SetPos(CDuiRect(0, 0, 500, 300));
    Paint();
    EXPECT_EQ(layer.renderCount(), 5);
    // A hidden curve changing does not.
    for (double& v : profile.curveLevel[5]) v += 2.0;
    hand(1);
    Paint();
    EXPECT_EQ(layer.renderCount(), 5);

    // What the kept layer shows is what drawing the curves directly shows.
    dv::EqualizerEditor direct = eq.GetEditor();
    dv::EqualizerLook look;
    look.background = kBackground;
    look.labelFont = manager.GetFont(-1);
    look.bypassFont = manager.GetFont(11);
    look.bypassText = QStringLiteral("${all_bypass}");
    QImage expected(eq.GetWidth(), eq.GetHeight(), QImage::Format_ARGB32);
    expected.fill(Qt::black);
    QPainter painter(&expected);
    dv::PaintEqualizer(painter, direct, {0, 0, 500, 300}, look);
    painter.end();
    const QImage layered = Paint();
    int worst = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = expected.pixel(x, y);
            const QRgb b = layered.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 2);
}

std::vector<std::string> Texts(const std::vector<dv::AxisLabel>& labels) {
    std::vector<std::string> texts;
    for (const dv::AxisLabel& l : labels) texts.push_back(l.text);
    return texts;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Ink of the secondary text colour: bluer than the grey grid, the white band numbers and their
// anti-aliased edges can be.
int SecondaryInk(const QImage& image, const dv::CurveRect& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const QRgb c = image.pixel(x, y);
            n += qRed(c) > 90 && qBlue(c) - qRed(c) >= 18;
        }
    return n;
}

TEST_F(CurveEqualizer, AxisLabelsAreSecondaryTextTheGridGivesWayToAndGiveWayToBandNumbers) {
    dv::DspProfile profile;
    for (int c = 0; c < dv::kOutputCount; ++c) dv::computeChannelCurve(profile, c, false);
    const int32_t shown[8] = {1, 1, 1, 0, 0, 0, 0, 0};
    eq.setCurves(profile.curveFreq[0].data(), profile.curveLevel[0].data(), 8, 0, shown);

    // Bands 1 and 2 (20 and 25 Hz) sit on the zero line at the left edge, where "0" would go.
    std::vector<std::string> texts = Texts(eq.GetShownAxisLabels());
    EXPECT_FALSE(Has(texts, "0"));
    EXPECT_TRUE(Has(texts, "+10"));
    QImage image = Paint();
    for (const dv::AxisLabel& label : eq.GetShownAxisLabels())
        EXPECT_GE(SecondaryInk(image, label.rect), 3) << label.text;
    // The 100 Hz line stops at its label and goes on above it.
    dv::CurveRect hundred;
    for (const dv::AxisLabel& label : eq.GetShownAxisLabels())
        if (label.text == "100") hundred = label.rect;
    const int x = dv::EqualizerAxis({0, 0, 600, 300}).freqToX(100);
    EXPECT_EQ(image.pixel(x, hundred.top - 2), QColor(0x44, 0x44, 0x44).rgb());
    EXPECT_EQ(image.pixel(x, hundred.top), QColor::fromRgba(kBackground).rgb());

    // Raised to +10 dB, they free "0" and cover "+10". Only the background is drawn anew.
    const int curveRenders = eq.GetCurveLayer().renderCount();
    const int backRenders = eq.GetCurveLayer().backgroundRenderCount();
    bands[0].eqGain = bands[1].eqGain = 10.0f;
    eq.setCurEqBands(bands.data(), dv::kMaxBands, -1);
    texts = Texts(eq.GetShownAxisLabels());
    EXPECT_TRUE(Has(texts, "0"));
    EXPECT_FALSE(Has(texts, "+10"));
    image = Paint();
    for (const dv::AxisLabel& label : eq.GetAxisLabels())
        EXPECT_EQ(SecondaryInk(image, label.rect) >= 3, Has(texts, label.text)) << label.text;
    Paint();
    EXPECT_EQ(eq.GetCurveLayer().renderCount(), curveRenders);
    EXPECT_EQ(eq.GetCurveLayer().backgroundRenderCount(), backRenders + 1);
}

class CurveAxisInMainWindow : public maintest::MainWindowTest {};

// Each label marks exactly where the plot's own mapping puts its frequency or gain, shows its text
// whole inside the plot and touches no other label, at every scale the screen rule picks.
TEST_F(CurveAxisInMainWindow, LabelsSitOnTheMappingWholeAndApartAtEveryScale) {
    OpenWindow();
    Settle();
    auto* eq = FindAs<UIEqualizer>(QStringLiteral("equalizer"));
    ASSERT_NE(eq, nullptr);
    const std::vector<std::string> expected = {"20", "50", "100", "200", "500", "1k",
                                               "2k", "5k", "10k", "20k", "+10", "+5",
                                               "0",  "-5", "-10", "-15"};
    for (int dpi : {77, 96, 144, 192}) {
        CPaintManagerUI* pm = m_wnd->GetPaintManager();
        pm->SetDPI(dpi);
        Settle();
        const int scale = pm->GetScale();
        const CDuiRect pos = eq->GetPos();
        const dv::CurveRect plot{pos.left, pos.top, pos.right, pos.bottom};
        const dv::EqualizerAxis axis(plot);
        const QFontMetrics metrics(pm->GetFont(eq->GetTextSettings().font));
        const std::vector<dv::AxisLabel> labels = eq->GetAxisLabels();
        ASSERT_EQ(Texts(labels), expected) << scale << " %";
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const dv::AxisLabel& l = labels[i];
            const dv::CurveRect& r = l.rect;
            SCOPED_TRACE(l.text + " at " + std::to_string(scale) + " %");
            if (i < dv::kAxisLabelFreqs.size()) {
                const int x = axis.freqToX(dv::kAxisLabelFreqs[i]);
                EXPECT_EQ(l.anchor, (dv::CurvePoint{x, plot.bottom}));
                // Centred on its line, or against the plot edge it marks.
                if (i == 0) {
                    EXPECT_EQ(x, plot.left);
                    EXPECT_LE(r.left - x, dv::ScaledPixels(4, scale));
                } else if (i + 1 == dv::kAxisLabelFreqs.size()) {
                    EXPECT_EQ(x, plot.right);
                    EXPECT_LE(x - r.right, dv::ScaledPixels(4, scale));
                } else {
                    EXPECT_LE(std::abs(r.left + r.right - 2 * x), 1);
                }
            } else {
                const int y = axis.gainToY(dv::kAxisLabelGains[i - dv::kAxisLabelFreqs.size()]);
                EXPECT_EQ(l.anchor, (dv::CurvePoint{plot.left, y}));
                EXPECT_LE(std::abs(r.top + r.bottom - 2 * y), 1);
            }
            EXPECT_TRUE(plot.contains({r.left, r.top}) &&
                        plot.contains({r.right - 1, r.bottom - 1}));
            EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(l.text)), r.width());
            EXPECT_LE(metrics.height(), r.height());
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(dv::Intersects(r, labels[j].rect)) << labels[j].text;
        }
    }
}

}  // namespace

// A paint of only the damage the control reports must leave the picture a whole paint draws; where
// the curve crosses the edge of a repaint Qt's anti-aliasing may round a channel by a step or two.
int FarApart(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            n += std::abs(qRed(p) - qRed(q)) > 2 || std::abs(qGreen(p) - qGreen(q)) > 2 ||
                 std::abs(qBlue(p) - qBlue(q)) > 2;
        }
    return n;
}

TEST_F(CurveEqualizer, RepaintingOnlyWhatChangedEndsWithTheWholePicture) {
    dv::DspProfile profile;
    const int32_t shown[8] = {1, 1, 1, 0, 0, 0, 0, 0};
    auto curves = [&] {
        for (int b = 0; b < dv::kMaxBands; ++b) profile.channels[0].eqArray[b] = bands[b];
        for (int c = 0; c < dv::kOutputCount; ++c) dv::computeChannelCurve(profile, c, false);
        eq.setCurves(profile.curveFreq[0].data(), profile.curveLevel[0].data(), 8, 0, shown);
    };
    auto edit = [&](int band, float gain, int freq, float q, int selected) {
        bands[band].eqGain = gain;
        bands[band].freq = freq;
        bands[band].eqFactor = q;
        eq.setCurEqBands(bands.data(), dv::kMaxBands, selected);
        curves();
    };
    // Steps marked true change something every pixel depends on (the all-bypass text, the mode).
    const std::tuple<const char*, bool, std::function<void()>> steps[] = {
        {"gain up", true, [&] { edit(17, 9.0f, 1000, 5.8f, 17); }},
        {"gain down a little", false, [&] { edit(17, 8.9f, 1000, 5.8f, 17); }},
        {"another band", false, [&] { edit(4, -6.0f, bands[4].freq, 2.0f, 4); }},
        {"parametric", true, [&] { eq.setDragAllDirection(true), edit(4, -6.0f, 80, 2.0f, 4); }},
        {"frequency and Q", false, [&] { edit(4, -3.0f, 250, 0.7f, 4); }},
        {"onto the axis labels", false, [&] { edit(10, -18.0f, bands[10].freq, 5.8f, 10); }},
        {"off the axis labels", false, [&] { edit(10, 3.0f, bands[10].freq, 5.8f, 10); }},
        {"corners", false, [&] { eq.setCurEqHpLp(300, 2500); }},
        {"no selection", false, [&] { eq.setCurEqBands(bands.data(), dv::kMaxBands, -1); }},
        {"flat", true,
         [&] {
             bands = Bands(0.0f);
             edit(0, 0.0f, bands[0].freq, 5.8f, -1);
         }},
    };
    for (const int scale : {100, 200}) {
        Attach(scale);
        curves();
        QImage screen = Paint();
        for (const auto& [name, global, step] : steps) {
            step();
            const QRegion dirty = eq.GetPendingDamage();
            {
                QPainter painter(&screen);
                painter.setClipRegion(dirty);
                eq.DoPaint(painter, CDuiRect(dirty.boundingRect()));
            }
            const QImage whole = Paint();
            EXPECT_EQ(FarApart(screen, whole), 0) << name << " at " << scale;
            EXPECT_LT(Differences(screen, whole, screen.rect()), 32) << name << " at " << scale;
            if (!global) {
                int area = 0;
                for (const QRect& r : dirty) area += r.width() * r.height();
                EXPECT_LT(area, screen.width() * screen.height()) << name << " at " << scale;
            }
        }
    }
}
