// The language of the class library's own texts.
#include "Language.h"

namespace {

QLocale &Chosen()
{
    static QLocale locale = QLocale::c();
    return locale;
}

} // namespace

void SetResourceLanguage(const QLocale &Locale)
{
    Chosen() = Locale;
}

QLocale ResourceLanguage()
{
    return Chosen();
}

bool ResourceChinese()
{
    return Chosen().language() == QLocale::Chinese;
}
