// The report engine's XML tree: templates, built pages and the string table
// are kept as items with a tag name and one raw attribute text. Text between
// tags is not kept. Attribute texts are bytes: templates mix UTF-8 memo text
// with 8-bit attribute values, so decoding is left to whoever reads a value.
#pragma once
#include "platform/Exceptions.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

class TStream;
class TFileStream;
class Variant;

// Every structural error of a document.
class TqdzInvalidXMLException : public Exception
{
public:
    TqdzInvalidXMLException() : Exception(QStringLiteral("Invalid file format")) {}
    const char *ClassName() const override { return "TqdzInvalidXMLException"; }
};

// A character reference that is no character: not a number, or beyond the
// last code point, or a surrogate half.
class EqdzInvalidReference : public EConvertError
{
public:
    using EConvertError::EConvertError;
    const char *ClassName() const override { return "EqdzInvalidReference"; }
};

class TqdzXMLItem
{
public:
    TqdzXMLItem() = default;
    // Frees the children and leaves the parent's list.
    ~TqdzXMLItem();
    TqdzXMLItem(const TqdzXMLItem &) = delete;
    TqdzXMLItem &operator=(const TqdzXMLItem &) = delete;

    // Frees all children; an unloadable item is then no longer loaded.
    void Clear();
    TqdzXMLItem *Add();
    // Takes Item over, removing it from its former parent first.
    void AddItem(TqdzXMLItem *Item);
    void InsertItem(int Index, TqdzXMLItem *Item);
    // Appends items that have no parent, in one step.
    void AdoptItems(const std::vector<TqdzXMLItem *> &Items);
    TqdzXMLItem *GetItems(int Index) const { return FItems.at(Index); }
    TqdzXMLItem *operator[](int Index) const { return FItems.at(Index); }
    int GetCount() const { return int(FItems.size()); }
    int Count() const { return GetCount(); }
    int IndexOf(const TqdzXMLItem *Item) const;
    // First child named Name (case-insensitive); appended when missing.
    TqdzXMLItem *FindItem(const QByteArray &Name);
    // Attribute value from Text, unescaped; empty when absent.
    QByteArray GetProp(const QByteArray &Name) const;
    // The attribute's value as it stands in Text, still escaped: a view into
    // Text, valid while Text is unchanged; null when absent.
    QByteArray PropView(const QByteArray &Name) const;
    // Sets or appends an attribute, escaping Value; attribute order is kept.
    void SetProp(const QByteArray &Name, const QByteArray &Value);

    const QByteArray &Name() const { return FName; }
    void SetName(const QByteArray &Value) { FName = Value; }
    const QByteArray &Text() const { return FText; }
    void SetText(const QByteArray &Value) { FText = Value; }
    TqdzXMLItem *Parent() const { return FParent; }
    bool Loaded() const { return FLoaded; }
    void SetLoaded(bool Value) { FLoaded = Value; }
    bool Unloadable() const { return FUnloadable; }
    void SetUnloadable(bool Value) { FUnloadable = Value; }
    // Offset of the item's tag in the document's side stream.
    quint64 Position() const { return FPosition; }
    void SetPosition(quint64 Value) { FPosition = Value; }

private:
    void FreeChildren();

    QByteArray FName;
    QByteArray FText;
    TqdzXMLItem *FParent = nullptr;
    QList<TqdzXMLItem *> FItems;
    bool FLoaded = true;
    bool FUnloadable = false;
    quint64 FPosition = 0;
};

// Reads tags from a stream through a block buffer. On destruction the stream
// is left just after the last byte the reader consumed.
class TqdzXMLReader
{
public:
    explicit TqdzXMLReader(TStream *Stream);
    ~TqdzXMLReader();
    TqdzXMLReader(const TqdzXMLReader &) = delete;
    TqdzXMLReader &operator=(const TqdzXMLReader &) = delete;

    // Reads the "<?xml ...?>" header; raises when the first tag is not one.
    void ReadHeader();
    // Reads one item with its children into Item; returns True when the tag
    // read was a closing tag (or the end of the stream).
    bool ReadItem(TqdzXMLItem *Item, bool AllowUnloading);
    // Reads the next tag into a name and an attribute text.
    void ReadTag(QByteArray &Name, QByteArray &Text);

    quint64 Position() const { return FPosition; }
    void SetPosition(quint64 Value);
    bool PlainStringAttributes() const { return FPlainStringAttributes; }

private:
    bool FillBuffer();
    bool ReadItemAt(TqdzXMLItem *Item, bool AllowUnloading, int Depth);
    // The tag names met last are shared, not copied, by the items that
    // carry them again.
    QByteArray InternName(const char *P, qsizetype N);

    static constexpr int BufferSize = 4096;
    TStream *FStream;
    quint64 FSize;
    quint64 FPosition = 0;
    char FBuffer[BufferSize];
    int FBufPos = 0;
    int FBufLen = 0;
    QByteArray FTag;
    QByteArray FLastName;
    std::unique_ptr<TqdzXMLItem> FSpare;
    // Per depth, the children read so far of the element open there.
    std::vector<std::vector<TqdzXMLItem *>> FChildren;
    static constexpr int NameCount = 8;
    QByteArray FNames[NameCount];
    int FNextName = 0;
    bool FPlainStringAttributes = true;
};

class TqdzXMLWriter
{
public:
    TqdzXMLWriter(TStream *Stream, TStream *SideStream, bool AutoIndent);
    ~TqdzXMLWriter();
    TqdzXMLWriter(const TqdzXMLWriter &) = delete;
    TqdzXMLWriter &operator=(const TqdzXMLWriter &) = delete;

    void WriteHeader();
    void WriteRootItem(TqdzXMLItem *Item);
    void WriteItem(TqdzXMLItem *Item, int Level);
    void Flush();

private:
    void WriteLn(const QByteArray &S);
    // Ends the line in the buffer, flushing a full one.
    void EndLine();

    TStream *FStream;
    TStream *FSideStream;
    bool FAutoIndent;
    QByteArray FBuffer;
};

class TqdzXMLDocument
{
public:
    TqdzXMLDocument();
    ~TqdzXMLDocument();
    TqdzXMLDocument(const TqdzXMLDocument &) = delete;
    TqdzXMLDocument &operator=(const TqdzXMLDocument &) = delete;

    // Clears the root and deletes the temporary file.
    void Clear();
    // With AllowPartialLoading, items marked unloadable stay in Stream and
    // are read back on demand: the caller keeps Stream open meanwhile.
    void LoadFromStream(TStream *Stream, bool AllowPartialLoading = false);
    void SaveToStream(TStream *Stream);
    // Brings back the children of an unloaded item.
    void LoadItem(TqdzXMLItem *Item);
    // Moves the children of an unloadable item to the temporary file.
    void UnloadItem(TqdzXMLItem *Item);

    TqdzXMLItem *Root() const { return FRoot.get(); }
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool Value) { FAutoIndent = Value; }
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &Value) { FTempDir = Value; }
    // True when the last header read declared version 1.0 without
    // "standalone=": string attributes are then plain 8-bit text.
    bool PlainStringAttributes() const { return FPlainStringAttributes; }
    // Name of the document's temporary file; empty while there is none.
    const QString &TempFileName() const { return FTempFileName; }

private:
    void CreateTempFile();
    void DeleteTempFile();
    void LoadAllItems(TqdzXMLItem *Item);

    std::unique_ptr<TqdzXMLItem> FRoot;
    bool FAutoIndent = false;
    QString FTempDir;
    TStream *FSideStream = nullptr;
    std::unique_ptr<TFileStream> FTempStream;
    QString FTempFileName;
    bool FTempFileCreated = false;
    bool FPlainStringAttributes = true;
};

// Escapes LF, CR, '"', '&', '<' and '>' as decimal character references.
QByteArray StrToXML(const QByteArray &S);
// One attribute of a built object's text: ' Name="Value"' (Value already escaped).
QByteArray qdzAttrText(const char *Name, const QByteArray &Value);
// Decodes decimal and hexadecimal ("&#x", "&#X") character references and
// the entities quot, amp, lt, gt. A bad reference raises EqdzInvalidReference.
QByteArray Unescape(const QByteArray &S);
// The same into Out, whose room is kept from one call to the next.
void UnescapeInto(const QByteArray &S, QByteArray &Out);
// Attribute text of a value: Booleans as 1/0, integers, floats as the
// shortest general text, dates by the short date format, strings escaped as
// 8-bit text in the system code page; anything else as ''.
QByteArray ValueToXML(const Variant &Value);
