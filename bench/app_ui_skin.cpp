// Opening the skin archive from the program's resources, loading the resource index and both
// language tables (target: 30 ms or less).
#include <benchmark/benchmark.h>

#include <QFile>

#include "ui/UILib.h"

using namespace DuiLib;

namespace {

void BM_OpenSkinIndexAndLanguages(benchmark::State& state) {
    QFile file(QStringLiteral(":/ZIPRES/IDR_ZIPRES"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no skin archive in the resources");
        return;
    }
    const QByteArray bytes = file.readAll();
    CResourceManager* rm = CResourceManager::GetInstance();
    for (auto _ : state) {
        CPaintManagerUI::Term();
        bool ok = CPaintManagerUI::SetResourceZip(bytes.constData(),
                                                  static_cast<std::size_t>(bytes.size()),
                                                  QStringLiteral("marlin-crop-vaneth"));
        ok = ok && rm->LoadResource(QStringLiteral("xml\\res.xml"));
        ok = ok && rm->LoadLanguage(QStringLiteral("lan/lan_cn.xml"), QStringLiteral("cn_zh"));
        ok = ok && rm->LoadLanguage(QStringLiteral("lan/lan_en.xml"), QStringLiteral("en"));
        rm->SelectLanguage(QStringLiteral("cn_zh"));
        if (!ok) {
            state.SkipWithError("skin archive, index or a language table failed to load");
            return;
        }
        benchmark::DoNotOptimize(rm->GetText(QStringLiteral("${tips}")));
    }
    state.counters["archive_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_OpenSkinIndexAndLanguages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
