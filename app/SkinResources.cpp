#include "app/SkinResources.h"

#include <QFile>

#include "base/Log.h"
#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

using namespace DuiLib;

bool PrepareSkinResources(const QString& resource) {
    CPaintManagerUI::SetResourcePath("skin\\Tonvox4to8_stormedge\\");
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) return false;
    if (!CPaintManagerUI::SetResourceZip(bytes.constData(), static_cast<std::size_t>(bytes.size()),
                                         kSkinPassword)) {
        LogPrintA("skin archive refused\n");
        return false;
    }
    CResourceManager::GetInstance()->LoadResource("xml\\res.xml");
    return true;
}
