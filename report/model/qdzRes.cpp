// Implementation of the report engine's captions and messages by key.
#include "qdzRes.h"
#include "qdzUtils.h"
#include "qdzWideStrings.h"
#include "qdzXML.h"

#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/ImgList.h"
#include "platform/SysUtils.h"
#include "script/kw_iconst.h"

#include <QDir>
#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

namespace {

struct THelpTopic
{
    const char *FormClass;
    const char *Page;
};

const THelpTopic HelpTopics[] = {
    {"TqdzDesignerForm", "Designer.htm"},
    {"TqdzOptionsEditor", "Designer_options.htm"},
    {"TqdzReportEditorForm", "Report_options.htm"},
    {"TqdzPageEditorForm", "Page_options.htm"},
    {"TqdzCrossEditorForm", "Cross_tab_reports.htm"},
    {"TqdzChartEditorForm", "Diagrams.htm"},
    {"TqdzSyntaxMemo", "Script.htm"},
    {"TqdzDialogPage", "Dialogue_forms.htm"},
    {"TqdzDialogComponent", "Data_access_components.htm"},
    {"TqdzVarEditorForm", "Variables.htm"},
    {"TqdzHighlightEditorForm", "Conditional_highlighting.htm"},
    {"TqdzSysMemoEditorForm", "Inserting_aggregate_function.htm"},
    {"TqdzFormatEditorForm", "Values_formatting.htm"},
    {"TqdzGroupEditorForm", "Report_with_groups.htm"},
    {"TqdzPictureEditorForm", "Picture_object.htm"},
    {"TqdzMemoEditorForm", "Text_object.htm"},
    {"TqdzSQLEditorForm", "TqdzADOQuery.htm"},
};

// The class names of this program are those of the class library, so the
// C++ type name is the name to look up.
QString ClassNameOf(TObject *Object)
{
    const char *Mangled = typeid(*Object).name();
    int Status = 0;
    char *Demangled = abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status);
    QString Name = QString::fromLatin1(Status == 0 && Demangled ? Demangled : Mangled);
    std::free(Demangled);
    const qsizetype Scope = Name.lastIndexOf(QLatin1String("::"));
    return Scope >= 0 ? Name.mid(Scope + 2) : Name;
}

// The program's binary resources by name.
QByteArray FindResourceData(const QString &Name)
{
    if (Name == QLatin1String("PreviewButtons"))
        return qdzPreviewButtonsResource();
    throw EResNotFound(QStringLiteral("Resource %1 not found").arg(Name));
}

// The compiler's messages follow the loaded table's language.
void CopyScriptMessages(const TqdzResources *Res)
{
    struct TMessage
    {
        const char *Key;
        QString *Text;
    };
    const TMessage Messages[] = {
        {"SLangNotFound", &SLangNotFound},
        {"SInvalidLanguage", &SInvalidLanguage},
        {"SIdRedeclared", &SIdRedeclared},
        {"SUnknownType", &SUnknownType},
        {"SIncompatibleTypes", &SIncompatibleTypes},
        {"SIdUndeclared", &SIdUndeclared},
        {"SClassRequired", &SClassRequired},
        {"SIndexRequired", &SIndexRequired},
        {"SStringError", &SStringError},
        {"SClassError", &SClassError},
        {"SArrayRequired", &SArrayRequired},
        {"SVarRequired", &SVarRequired},
        {"SNotEnoughParams", &SNotEnoughParams},
        {"STooManyParams", &STooManyParams},
        {"SLeftCantAssigned", &SLeftCantAssigned},
        {"SForError", &SForError},
        {"SEventError", &SEventError},
    };
    // A table without one of them (a partial language file) keeps the text
    // in use instead of showing the key.
    for (const TMessage &M : Messages)
        if (Res->HasText(QString::fromLatin1(M.Key)))
            *M.Text = Res->ResourceText(QString::fromLatin1(M.Key));
}

} // namespace

TqdzResources::TqdzResources()
    : FNames(std::make_unique<TStringList>()),
      FTexts(std::make_unique<TWideStrings>()),
      FLanguages(std::make_unique<TStringList>()),
      FObjectImages(std::make_unique<TImageList>(nullptr)),
      FPreviewButtonImages(std::make_unique<TImageList>(nullptr)),
      FLargeImages(std::make_unique<TImageList>(nullptr))
{
    FLargeImages->SetWidth(32);
    FLargeImages->SetHeight(32);
    FNames->SetSorted(true);
    BuildLanguageList();
}

TqdzResources::~TqdzResources() = default;

void TqdzResources::BuildLanguageList()
{
    FLanguages->Clear();
    QDir Dir(GetAppPath());
    Dir.setNameFilters({QStringLiteral("*.qdc")});
    Dir.setFilter(QDir::Files | QDir::Hidden);
    const QStringList Files = Dir.entryList();
    for (const QString &File : Files) {
        QString Name = File.left(File.size() - 4).toLower();
        if (Name.isEmpty())
            continue;
        Name[0] = Name[0].toUpper();
        FLanguages->Add(Name);
    }
    FLanguages->Sort();
}

void TqdzResources::FillFromResource(TImageList *List, const QString &ResName)
{
    if (List->Count() > 0)
        return;
    TStringStream Compressed(FindResourceData(ResName));
    TMemoryStream Bytes;
    QString FileName;
    GunzipStream(&Compressed, &Bytes, FileName);
    Bytes.SetPosition(0);
    TBitmap Bitmap;
    Bitmap.LoadFromStream(&Bytes);
    FillImageList(&Bitmap, 16, 16, List, nullptr);
}

TImageList *TqdzResources::ObjectImages()
{
    FillFromResource(FObjectImages.get(), QStringLiteral("ObjectButtons"));
    return FObjectImages.get();
}

TImageList *TqdzResources::PreviewButtonImages()
{
    FillFromResource(FPreviewButtonImages.get(), QStringLiteral("PreviewButtons"));
    return FPreviewButtonImages.get();
}

QString TqdzResources::ResourceText(const QString &Key) const
{
    QString Result;
    int Index = -1;
    if (FNames->Find(Key, Index))
        Result = FTexts->Get(FTextIndex.at(Index));
    else
        Result = Key;
    if (Result.startsWith(QLatin1Char('!')))
        Result.remove(0, 1);
    return Result;
}

bool TqdzResources::HasText(const QString &Key) const
{
    int Index = -1;
    return FNames->Find(Key, Index);
}

void TqdzResources::Add(const QString &Key, const QString &Text)
{
    int Index = -1;
    if (FNames->Find(Key, Index)) {
        FTexts->Put(FTextIndex.at(Index), Text);
        return;
    }
    Index = FNames->Add(Key);
    FTextIndex.insert(Index, FTexts->Count());
    FTexts->Add(Text);
}

void TqdzResources::LoadFromString(const QByteArray &S)
{
    TStringStream Stream(S);
    LoadFromStream(&Stream);
}

void TqdzResources::LoadFromStream(TStream *Stream)
{
    {
        TqdzXMLDocument Doc;
        Doc.LoadFromStream(Stream);
        TqdzXMLItem *Root = Doc.Root();
        if (Root->Name().compare("Resources", Qt::CaseInsensitive) == 0) {
            FCodePage = StrToIntDef(QString::fromLatin1(Root->GetProp("CodePage")), 0);
            for (int I = 0; I < Root->GetCount(); ++I) {
                TqdzXMLItem *Item = Root->GetItems(I);
                if (Item->Name().compare("StrRes", Qt::CaseInsensitive) != 0)
                    continue;
                Add(QString::fromUtf8(Item->GetProp("Name")),
                    QString::fromUtf8(Item->GetProp("Text")));
            }
        }
    }
    CopyScriptMessages(this);
}

void TqdzResources::Help(TObject *Form)
{
    QString Topic;
    if (Form) {
        const QString Name = ClassNameOf(Form);
        for (const THelpTopic &T : HelpTopics)
            if (Name.compare(QLatin1String(T.FormClass), Qt::CaseInsensitive) == 0) {
                Topic = QStringLiteral("::/") + QLatin1String(T.Page);
                break;
            }
    }
    HtmlHelp(nullptr, GetAppPath() + FHelpFile + Topic);
}

TqdzResources *qdzResources()
{
    static const std::unique_ptr<TqdzResources> Instance = [] {
        auto Res = std::make_unique<TqdzResources>();
        Res->LoadFromString(qdzBuiltInResources());
        return Res;
    }();
    return Instance.get();
}

QString qdzGet(int Id)
{
    return qdzResources()->ResourceText(QString::number(Id));
}
