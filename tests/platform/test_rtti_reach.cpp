// Published members and class names that scripts and templates reach, and
// the field-not-found message of a query without a name.
#include "ADODB.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Graphics.h"
#include "Menus.h"
#include "TypInfo.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

TEST(RttiReach, GraphicsAndDialogClassesAreFoundByName)
{
    RegisterFormsClasses();
    for (const char *name : {"TFont", "TPen", "TBrush", "TOpenDialog", "TSaveDialog"}) {
        const QString n = QString::fromLatin1(name);
        TClass cls = GetClass(n);
        ASSERT_NE(cls, nullptr) << name;
        EXPECT_EQ(QString(cls->ClassName()), n);
    }
    // Made by name, they are the real thing.
    std::unique_ptr<TObject> font(FindClass(u"TFont")->Create(nullptr));
    auto *f = dynamic_cast<TFont *>(font.get());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Size(), TFont().Size());
}

TEST(RttiReach, ItemsOfTreeViewsAndPopupMenus)
{
    Application->HookEvents();
    TForm form(nullptr);
    auto *tree = new TTreeView(&form);
    tree->SetParent(&form);
    tree->Items()->Add(nullptr, QStringLiteral("root"));
    PPropInfo p = GetPropInfo(tree, u"Items");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetObjectProp(tree, p), tree->Items());
    EXPECT_FALSE(IsStoredProp(tree, p));

    auto *menu = new TPopupMenu(&form);
    PPropInfo m = GetPropInfo(menu, u"Items");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetObjectProp(menu, m), menu->Items());
    EXPECT_FALSE(IsStoredProp(menu, m));
}

TEST(RttiReach, FieldNotFoundNamesTheQueryOnlyWhenItHasAName)
{
    QTemporaryDir dir;
    TADOConnection c;
    const QString file = dir.path() + QStringLiteral("/t.db");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file);
    TADOQuery q;
    q.SetConnection(&c);
    q.SQL()->SetText(QStringLiteral("select 1 as a"));
    q.Open();
    try {
        q.FieldByName(QStringLiteral("x"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'x' not found"));
    }
    q.SetName(QStringLiteral("Query1"));
    try {
        q.FieldByName(QStringLiteral("x"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Query1: Field 'x' not found"));
    }
}
