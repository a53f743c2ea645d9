// The script engine's own small XML tree: language definitions and program
// trees live in it. Attributes are kept as one raw text per element; there is
// no character data, and only the escapes the engine writes are decoded.
#pragma once
#include "Object.h"
#include <QString>
#include <QByteArray>
#include <memory>
#include <vector>

class TStream;

// Attribute value escaping: line feed, carriage return, double quote, "<" and
// ">" become "&#<code>;". An ampersand stays as it is, except where it would
// read back as an escape ("&#..." or "&quot;"): there it becomes "&#38;".
QString kwStrToXML(const QString &S);
// Decodes "&#<decimal>;", "&#x<hex>;" and "&quot;"; nothing else. A reference
// that is no character stays as it is.
QString kwXMLToStr(const QString &S);

class TkwXMLItem : public TObject
{
    STATION_CLASS(TkwXMLItem, TObject)
public:
    TkwXMLItem() = default;
    // Frees the children and takes the item out of its parent's list.
    ~TkwXMLItem() override;

    int Count() const { return int(FItems.size()); }
    TkwXMLItem *Items(int Index) const { return FItems[size_t(Index)]; }

    // Appends a new child and returns it.
    TkwXMLItem *Add();
    // Appends Item, taking it out of its previous parent's list first.
    void AddItem(TkwXMLItem *Item);
    // AddItem, then moves Item to Index.
    void InsertItem(int Index, TkwXMLItem *Item);
    // Index of the first child named Name (case ignored), or -1.
    int Find(const QString &Name) const;
    // That child, or a new child of that name appended when there is none.
    TkwXMLItem *FindItem(const QString &Name);
    // The topmost ancestor.
    TkwXMLItem *Root();

    // Attribute Name (case ignored) out of Text, unescaped; empty when absent.
    QString Prop(const QString &Name) const;
    // Replaces attribute Name in Text, or appends it.
    void SetProp(const QString &Name, const QString &Value);

    void Clear();
    // Deep copy of Source's name, text, data and children, after Clear.
    void Assign(TkwXMLItem *Source);

    void *Data() const { return FData; }
    void SetData(void *Value) { FData = Value; }
    QString Name() const { return FName; }
    void SetName(const QString &Value) { FName = Value; }
    TkwXMLItem *Parent() const { return FParent; }
    QString Text() const { return FText; }
    void SetText(const QString &Value) { FText = Value; }

private:
    // Position of Name's attribute in Text, or -1; ValueStart is set to the
    // first character of its value.
    int FindAttr(const QString &Name, int &ValueStart) const;
    void Detach();

    void *FData = nullptr;
    std::vector<TkwXMLItem *> FItems; // owned
    QString FName;
    TkwXMLItem *FParent = nullptr;
    QString FText;
};

// Reads one document (declaration and root element) from a stream, or from
// bytes in memory. Malformed input raises "Invalid file format"; what was read
// before the error stays in the tree.
class TkwXMLReader : public TObject
{
public:
    explicit TkwXMLReader(TStream *Stream);
    explicit TkwXMLReader(const QByteArray &Bytes);
    // Fills Root (name, text, children) from the input. A stream is left
    // just after the last byte used.
    void ReadRootItem(TkwXMLItem *Root);

private:
    int NextByte();
    bool ReadTag(QByteArray &Tag);
    [[noreturn]] static void RaiseFormatError();

    TStream *FStream = nullptr;
    QByteArray FBuffer;
    qint64 FBufPos = 0;
    bool FFromStream = false;
};

// Writes a document: the declaration, then the root and its descendants.
class TkwXMLWriter : public TObject
{
public:
    explicit TkwXMLWriter(TStream *Stream) : FStream(Stream) {}
    void SetAutoIndent(bool Value) { FAutoIndent = Value; }
    void WriteRootItem(TkwXMLItem *Root);
    // The same output as text, for callers that keep it in memory.
    static QString ItemToText(TkwXMLItem *Root, bool AutoIndent);

private:
    TStream *FStream;
    bool FAutoIndent = false;
};

class TkwXMLDocument : public TObject
{
    STATION_CLASS(TkwXMLDocument, TObject)
public:
    TkwXMLDocument();
    ~TkwXMLDocument() override;

    TkwXMLItem *Root() const { return FRoot.get(); }
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool Value) { FAutoIndent = Value; }

    void LoadFromStream(TStream *Stream);
    void SaveToStream(TStream *Stream);
    void LoadFromFile(const QString &FileName);
    void SaveToFile(const QString &FileName);
    // The document held as text (UTF-8 at the byte level).
    void LoadFromString(const QString &Text);
    QString SaveToString();

private:
    std::unique_ptr<TkwXMLItem> FRoot;
    bool FAutoIndent = false;
};
