#include "platform/FontMap.h"

#include <QFont>
#include <array>

namespace platform {

namespace {

struct FamilyMapping {
    const char *windowsName;
    const char *family;
};

constexpr const char *kSans = "Liberation Sans";
constexpr const char *kSerif = "Liberation Serif";
constexpr const char *kMono = "Liberation Mono";

constexpr std::array<FamilyMapping, 12> kMappings{{
    {"MS Sans Serif", kSans},
    {"Microsoft Sans Serif", kSans},
    {"MS Shell Dlg", kSans},
    {"MS Shell Dlg 2", kSans},
    {"Arial", kSans},
    {"Helvetica", kSans},
    {"Tahoma", kSans},
    {"Times New Roman", kSerif},
    {"Times", kSerif},
    {"MS Serif", kSerif},
    {"Courier New", kMono},
    {"Courier", kMono},
}};

const FamilyMapping *find(const QString &family)
{
    const QString name = family.trimmed();
    for (const FamilyMapping &m : kMappings)
        if (name.compare(QLatin1String(m.windowsName), Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

} // namespace

QString MetricFontFamily(const QString &family)
{
    const FamilyMapping *m = find(family);
    return m ? QString::fromLatin1(m->family) : family;
}

void InstallFontSubstitutes()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (const FamilyMapping &m : kMappings)
        QFont::insertSubstitution(QString::fromLatin1(m.windowsName), QString::fromLatin1(m.family));
}

} // namespace platform
