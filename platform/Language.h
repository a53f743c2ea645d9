// The language the class library's own texts appear in: message-box buttons
// and captions, file errors, the date picker's calendar. English unless the
// program chooses another (the station speaks Chinese).
#pragma once
#include <QLocale>
#include <QString>

void SetResourceLanguage(const QLocale &Locale);
QLocale ResourceLanguage();
// True when the texts are Chinese.
bool ResourceChinese();
// The class library's text in the chosen language: English or Chinese.
inline QString ResourceText(const QString &English, const QString &Chinese)
{
    return ResourceChinese() ? Chinese : English;
}
