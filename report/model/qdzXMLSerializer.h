// The report template format: a tree of report objects as XML items, one
// element per object named by its class, one attribute per stored published
// property that differs from its default. There is no per-class schema: the
// run-time type information of each class decides what is written and read.
//
// Values: ordinals, characters and sets as decimal numbers, enumerations by
// identifier, floats as the shortest general text (read with '.' or ','),
// strings escaped as 8-bit text in the system code page, memo text as UTF-8,
// string lists as Prop.Text, nested objects as dotted paths (Font.Name),
// references by name, defined properties as PropData (upper-case hex of the
// binary property writer's bytes).
#pragma once
#include "platform/Classes.h"
#include "platform/Collection.h"
#include "platform/Component.h"
#include "platform/Filer.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TqdzComponent;
class TqdzXMLItem;
class TqdzXMLDocument;

// Supplies, by an object's Name, the object it is compared with when written.
STATION_EVENT(TqdzGetAncestorEvent, void(const QString &Name, TPersistent *&Ancestor))

class TqdzXMLSerializer : public TObject
{
public:
    explicit TqdzXMLSerializer(TStream *Stream);
    ~TqdzXMLSerializer() override;
    TqdzXMLSerializer(const TqdzXMLSerializer &) = delete;
    TqdzXMLSerializer &operator=(const TqdzXMLSerializer &) = delete;

    // Reads the element tree of Item (or, without one, of the document in
    // Stream) into RootObject. Elements that cannot be read are reported in
    // Errors and skipped; malformed XML raises "Invalid file format".
    void ReadTemplateRoot(TqdzComponent *RootObject, TqdzXMLItem *Item = nullptr);
    // Writes RootObject (and, with SaveChildren, its descendants) into Item,
    // or, without one, into a new indented document saved to Stream.
    void WriteTemplateRoot(TqdzComponent *RootObject, bool SaveChildren, bool KeepAncestors,
                           TqdzXMLItem *Item = nullptr);

    // One object from "ClassName attributes", created with Owner as its
    // owner; none (and a message in Errors) for a class that cannot be made.
    TqdzComponent *ReadObjectFromItem(TComponent *Owner, const QByteArray &Text, bool SkipFixups);
    // "ClassName attributes" of one object.
    QByteArray WriteObjectToItem(TPersistent *Obj);
    // The same between '<' and '/>', straight to Stream.
    void WriteObjectToStream(TPersistent *Obj);

    // Applies an attribute text to an existing object; references are kept
    // as fixups until ResolveFixups.
    void ReadObjectAttributes(TPersistent *Obj, const QByteArray &Text);

    // "ClassName attributes" split once, for a text read into many objects:
    // the class name and each attribute's name and value (views into Text).
    struct TSplitText
    {
        QByteArray Text;
        QByteArray ClassName;
        std::vector<std::pair<QByteArray, QByteArray>> Attributes;
    };
    static void SplitObjectText(const QByteArray &Text, TSplitText &Split);
    // As ReadObjectFromItem with the text Base followed by the attributes
    // More: the object is made of Base's class and reads Base's attributes,
    // then those of More.
    TqdzComponent *ReadObjectFromSplit(TComponent *Owner, const TSplitText &Base, const QByteArray &More,
                                       bool SkipFixups);
    // The attributes of Obj, each preceded by a space; Prefix goes before
    // every name, Ancestor is the object compared with (none: declared
    // defaults).
    QByteArray WriteObjectAttributes(TPersistent *Obj, const QByteArray &Prefix = QByteArray(),
                                     TPersistent *Ancestor = nullptr);
    void ResolveFixups();
    // The bytes of the binary property writer for Obj's defined properties
    // (compared with Ancestor's), and reading them back.
    QByteArray DefinedData(TPersistent *Obj, TPersistent *Ancestor);
    void ReadDefinedData(TPersistent *Obj, const QByteArray &Bytes);
    // Drops what is pending for an object that goes away during a read.
    void ForgetObject(TPersistent *Obj);

    TStringList *Errors() const { return FErrors.get(); }
    TComponent *Owner() const { return FOwner; }
    void SetOwner(TComponent *Value) { FOwner = Value; }
    TStream *Stream() const { return FStream; }
    bool PlainStringAttributes() const { return FPlainStringAttributes; }
    void SetPlainStringAttributes(bool Value) { FPlainStringAttributes = Value; }
    bool SerializeDefaultValues() const { return FSerializeDefaultValues; }
    void SetSerializeDefaultValues(bool Value) { FSerializeDefaultValues = Value; }
    TqdzGetAncestorEvent OnGetAncestor() const { return FOnGetAncestor; }
    void SetOnGetAncestor(const TqdzGetAncestorEvent &Value) { FOnGetAncestor = Value; }

    // Attribute text of a string and back, by the rules of string properties.
    QByteArray EncodeString(const QString &S) const;
    QString DecodeString(const QByteArray &Value) const;

private:
    // An object of the named class made for reading (loading set), or nil
    // with the error added when the class is unknown or cannot be made.
    TqdzComponent *CreateForRead(TComponent *Owner, const QByteArray &ClassName);
    struct TFixupItem
    {
        TPersistent *Obj;
        PPropInfo Prop;
        QString Value;
        TPersistent *Root; // the object whose attributes were being read
    };

    void ReadObjectElement(TqdzComponent *Parent, TqdzComponent *RootObject, TqdzXMLItem *Item);
    void WriteObjectElement(TqdzComponent *Obj, TqdzXMLItem *Item, bool IsRoot, bool SaveChildren,
                            bool KeepAncestors);
    void ReadAttribute(TPersistent *Obj, const QByteArray &Name, const QByteArray &Value);
    // What an attribute of one name does to the objects of one class: the
    // short names of position and text, the texts of memos and string
    // lists, defined data, or a published property (none: skipped).
    enum class TAttrAction : char { Unresolved, Left, Top, Width, Height, MemoUtf8, MemoAnsi, MemoText,
                                    StringsText, WideText, PropData, Skip, Prop };
    struct TAttrSlot
    {
        QByteArray Name;
        PPropInfo Prop = nullptr;
        TAttrAction Action = TAttrAction::Unresolved;
    };
    // The slot of that attribute name (exact bytes) for the class of Obj,
    // made once per class and name while reading; its action is resolved
    // when first asked for (a dotted path asks only for the property).
    TAttrSlot &FindSlot(TClass Class, const QByteArray &Name);
    PPropInfo FindProp(TClass Class, const QByteArray &Name) { return FindSlot(Class, Name).Prop; }
    static TAttrAction ResolveAction(TPersistent *Obj, const QByteArray &Name, PPropInfo Prop);
    void ReadPropData(TPersistent *Obj, const QByteArray &Value);
    TClass FindComponentClass(const QByteArray &Name);
    TComponent *FindReference(const QString &Name);
    // While many references are resolved at once: the first object of each
    // name in the owner's tree, in the order FindObject walks it.
    struct TNameHash
    {
        size_t operator()(const QString &S) const { return StationRtti::NameHash(S); }
    };
    struct TNameEqual
    {
        bool operator()(const QString &A, const QString &B) const { return StationRtti::SameName(A, B); }
    };
    std::unordered_map<QString, TqdzComponent *, TNameHash, TNameEqual> FTreeNames;
    bool FTreeNamesOn = false;
    void FindInstance(TReader *Reader, const QString &Name, TComponent *&Instance);
    void AddError(const QString &Message);
    // An attribute whose value holds a bad character reference: said, so a
    // template read in part does not pass for a whole one.
    void AddReferenceError(TPersistent *Obj, const QByteArray &Name, const Exception &E);
    void FinishLoading();
    // Adds Obj to FLoaded unless it is there; Fresh: made by this read just now.
    void AddLoaded(TqdzComponent *Obj, bool Fresh);
    void IndexLoaded();

    std::unique_ptr<TStringList> FErrors;
    std::vector<TFixupItem> FFixups;
    TComponent *FOwner = nullptr;
    TStream *FStream;
    bool FPlainStringAttributes = true;
    bool FSerializeDefaultValues = false;
    TqdzGetAncestorEvent FOnGetAncestor;
    TPersistent *FCurrentRoot = nullptr;
    std::vector<TPersistent *> FWritePath;
    std::vector<TqdzComponent *> FLoaded;
    // Attribute names met per class, in the order met: objects of one class
    // usually carry their attributes in the same order, so the next one is
    // mostly found at the cursor. Names past the first MaxPropSlots of a
    // class go to FPropCache.
    struct TPropSlots
    {
        std::vector<TAttrSlot> Slots;
        size_t Cursor = 0;
    };
    static constexpr size_t MaxPropSlots = 48;
    std::unordered_map<TClass, TPropSlots> FPropSlots;
    TClass FSlotsClass = nullptr;
    TPropSlots *FSlots = nullptr;
    // Values stay where they are when the hash grows (nodes).
    std::unordered_map<TClass, std::unordered_map<std::string, TAttrSlot>> FPropCache;
    // The Name attribute of the element being read, decoded once: the bytes
    // it was decoded from (a view into the element's text) and the result,
    // which the object then shares instead of decoding them again.
    QByteArray FNameBytes;
    QString FNameDecoded;
    // A memo's text unescaped, decoded at once: the room stays for the next.
    QByteArray FUnescaped;
    // The element name that made a class last.
    QByteArray FLastClassName;
    TClass FLastClass = nullptr;
    // Which objects FLoaded holds. Made from FLoaded only once an object is
    // met a second time or freed during the read, which a plain template
    // never does: a set of every object read costs a cache miss per object.
    QSet<TqdzComponent *> FLoadedSet;
    bool FLoadedIndexed = false;
    // The objects whose elements are being read, outermost first; one freed
    // meanwhile is set to null, so its element stops reading children.
    std::vector<TqdzComponent *> FReading;
};

// The 7-bit escape of strings kept in binary collection data: a character of
// code 128 or more becomes the character 1 followed by (code - 128), and
// back. StringsToSafeText / StringsFromSafeText rewrite every string property
// and every string-valued variant property of Obj.
QString qdzToSafeText(const QString &S);
QString qdzFromSafeText(const QString &S);
void StringsToSafeText(TPersistent *Obj);
void StringsFromSafeText(TPersistent *Obj);

// Collections inside templates. While Owner is being written by the template
// serializer, each item becomes a list holding one long string with the
// item's attribute text; otherwise the class library's collection format is
// used (strings 7-bit escaped). Reading takes either form.
void WriteCollection(TCollection *Collection, TWriter *Writer, TqdzComponent *Owner);
void ReadCollection(TCollection *Collection, TReader *Reader, TqdzComponent *Owner);
