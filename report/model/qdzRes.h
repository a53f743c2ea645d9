// The report engine's captions and messages by key, its image lists, the
// list of language files and the help binding. One shared instance, created
// with the built-in English table on first use.
#pragma once
#include "platform/Object.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class TImageList;
class TStream;
class TStringList;
class TWideStrings;

class TqdzResources : public TObject
{
public:
    TqdzResources();
    ~TqdzResources() override;

    // The text of Key, or Key itself when the table has none; a leading '!'
    // is dropped.
    QString ResourceText(const QString &Key) const;
    bool HasText(const QString &Key) const;
    // Sets the text of Key, adding the key when it is new.
    void Add(const QString &Key, const QString &Text);
    // Loads a "Resources" table (UTF-8 XML); entries are added or replaced,
    // never removed. The script compiler's messages follow the table.
    void LoadFromString(const QByteArray &S);
    void LoadFromStream(TStream *Stream);
    // Opens the help file, at the topic of Form's class when it has one.
    void Help(TObject *Form);

    // Object-kind and preview toolbar images (16 x 16), filled from the
    // program's compressed bitmap resources on first use. The program holds
    // no "ObjectButtons" resource: asking for ObjectImages raises
    // EResNotFound.
    TImageList *ObjectImages();
    TImageList *PreviewButtonImages();
    // The 32 x 32 list. No resource fills it: it is there for whoever adds
    // images of that size.
    TImageList *LargeImages() const { return FLargeImages.get(); }

    // Language names offered by the "*.qdc" files of the program's folder.
    TStringList *Languages() const { return FLanguages.get(); }
    const QString &HelpFile() const { return FHelpFile; }
    // Code page of the loaded table; 0 until a table is loaded.
    int CodePage() const { return FCodePage; }

private:
    void BuildLanguageList();
    void FillFromResource(TImageList *List, const QString &ResName);

    std::unique_ptr<TStringList> FNames;   // sorted keys
    QList<int> FTextIndex;                 // by position in FNames: index into FTexts
    std::unique_ptr<TWideStrings> FTexts;
    std::unique_ptr<TStringList> FLanguages;
    std::unique_ptr<TImageList> FObjectImages;
    std::unique_ptr<TImageList> FPreviewButtonImages;
    std::unique_ptr<TImageList> FLargeImages;
    QString FHelpFile = QStringLiteral("RAZiru.rez");
    int FCodePage = 0;
};

// The shared instance, holding the built-in English table.
TqdzResources *qdzResources();
// ResourceText of the decimal text of Id.
QString qdzGet(int Id);

// The built-in table (res/qdzrcClass.cpp).
QByteArray qdzBuiltInResources();
// The preview toolbar's icons, gzip-compressed (res/PreviewButtons.cpp).
QByteArray qdzPreviewButtonsResource();
