// Qt's own dialog texts follow the locale the station runs in.
#include "Forms.h"
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(QtTranslations, StandardButtonsReadInTheLocalesLanguage)
{
    ASSERT_TRUE(InstallQtTranslations(QLocale(QLocale::Chinese, QLocale::China)))
        << "Qt's translations are missing (Debian package qt6-translations-l10n)";
    {
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }
    // A locale without translations gives Qt's English texts again.
    EXPECT_FALSE(InstallQtTranslations(QLocale::c()));
    QDialogButtonBox box(QDialogButtonBox::Ok);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text().remove(QLatin1Char('&')), QStringLiteral("OK"));
}
