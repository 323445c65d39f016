// The main() of the benchmarks that open tool and message windows on their own: offscreen unless
// a platform is named, the skin, and both language tables with Chinese selected, as at start-up.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/SkinResources.h"
#include "ui/UILib.h"

inline int RunToolWindowBenchmarks(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (!PrepareSkinResources()) return 1;
    DuiLib::CResourceManager* resources = DuiLib::CResourceManager::GetInstance();
    resources->LoadLanguage("lan/lan_cn.xml", "cn_zh");
    resources->LoadLanguage("lan/lan_en.xml", "en");
    resources->SelectLanguage("cn_zh");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DuiLib::CPaintManagerUI::Term();
    return 0;
}
