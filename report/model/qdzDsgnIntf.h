// The program-wide registries of report object kinds, property editors and
// export filters, and the property editors an object inspector would use.
#pragma once
#include "platform/Classes.h"
#include "platform/Collection.h"
#include "platform/Graphics.h"
#include "platform/TypInfo.h"
#include "platform/Types.h"

#include <QString>
#include <memory>
#include <vector>

class TList;

// ------------------------------------------------------------------ object kinds

// Categories of object kinds.
constexpr quint8 qdzCategoryData = 1;
constexpr quint8 qdzCategoryReport = 2;
constexpr quint8 qdzCategoryDialog = 4;
constexpr quint8 qdzCategoryDotMatrix = 8;

class TqdzObjectItem : public TCollectionItem
{
    STATION_CLASS(TqdzObjectItem, TCollectionItem)
public:
    explicit TqdzObjectItem(TCollection *Collection);
    ~TqdzObjectItem() override;

    TClass ClassRef = nullptr;
    // The toolbar picture, owned by the item.
    std::unique_ptr<TBitmap> ButtonBmp;
    int ButtonImageIndex = -1;
    QString ButtonHint;
    QString CategoryName;
    // Passed to DesignCreate when an object is made from this kind.
    quint16 Flags = 0;
    quint8 Category = 0;
};

class TqdzObjectCollection : public TCollection
{
    STATION_CLASS(TqdzObjectCollection, TCollection)
public:
    TqdzObjectCollection();
    TqdzObjectItem *Items(int Index) const { return static_cast<TqdzObjectItem *>(TCollection::Items(Index)); }
};

// ------------------------------------------------------------------ property editors

// Attribute bits of a property editor.
constexpr quint8 paValueList = 1;
constexpr quint8 paSortList = 2;
constexpr quint8 paDialog = 4;
constexpr quint8 paMultiSelect = 8;
constexpr quint8 paSubProperties = 16;
constexpr quint8 paReadOnly = 32;
constexpr quint8 paOwnerDraw = 64;

class TqdzPropertyEditor : public TObject
{
    STATION_CLASS(TqdzPropertyEditor, TObject)
public:
    explicit TqdzPropertyEditor(TObject *Designer = nullptr);
    ~TqdzPropertyEditor() override;

    // Gets the value list and sets the value after the current one, the
    // first after the last; False when there is no list.
    virtual bool Edit();
    virtual quint8 GetAttributes();
    virtual QString GetName();
    virtual int GetExtraLBSize();
    virtual QString GetValue();
    // Fills Values; sorted when the attributes say so.
    virtual void GetValues();
    virtual void SetValue(const QString &Value);
    // The platform's list boxes draw no items of their own: the caller hands
    // the canvas of the item to draw.
    virtual void OnDrawLBItem(TCanvas *Canvas, int Index, bool Selected, const TRect &Rect);
    virtual void OnDrawItem(TCanvas *Canvas, const TRect &Rect);

    // The edited objects and their property, in step.
    void AddComponent(TObject *Component, PPropInfo Prop);
    TObject *Designer() const { return FDesigner; }
    void SetDesigner(TObject *Value) { FDesigner = Value; }
    const std::vector<TObject *> &Components() const { return FComponents; }
    const std::vector<PPropInfo> &Properties() const { return FProperties; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value) { FItemHeight = Value; }
    TStringList *Values() const { return FValues.get(); }

protected:
    // The first object's value; writes go to every object that has the
    // property.
    double GetFloatValue() const;
    qint64 GetOrdValue() const;
    QString GetStrValue() const;
    TObject *GetObjectValue() const;
    void SetFloatValue(double Value);
    void SetOrdValue(qint64 Value);
    void SetStrValue(const QString &Value);

private:
    TObject *FDesigner = nullptr;
    std::vector<TObject *> FComponents;
    std::vector<PPropInfo> FProperties;
    int FItemHeight = 0;
    std::unique_ptr<TStringList> FValues;
};

#define QDZ_EDITOR(Name, Base)                                                                      \
    class Name : public Base                                                                        \
    {                                                                                               \
        STATION_CLASS(Name, Base)                                                                   \
    public:                                                                                         \
        explicit Name(TObject *Designer = nullptr) : Base(Designer) {}                              \
        quint8 GetAttributes() override;

QDZ_EDITOR(TqdzIntegerProperty, TqdzPropertyEditor)
    QString GetValue() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzStringProperty, TqdzPropertyEditor)
    QString GetValue() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzClassProperty, TqdzPropertyEditor)
    QString GetValue() override;
};
QDZ_EDITOR(TqdzNameProperty, TqdzStringProperty)
};
QDZ_EDITOR(TqdzColorProperty, TqdzIntegerProperty)
    bool Edit() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
    void OnDrawLBItem(TCanvas *Canvas, int Index, bool Selected, const TRect &Rect) override;
    void OnDrawItem(TCanvas *Canvas, const TRect &Rect) override;
};
QDZ_EDITOR(TqdzFontProperty, TqdzClassProperty)
    bool Edit() override;
};
QDZ_EDITOR(TqdzFontNameProperty, TqdzStringProperty)
    void GetValues() override;
};
QDZ_EDITOR(TqdzFontCharsetProperty, TqdzIntegerProperty)
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzModalResultProperty, TqdzIntegerProperty)
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzShortCutProperty, TqdzPropertyEditor)
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzCursorProperty, TqdzIntegerProperty)
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzDateTimeProperty, TqdzPropertyEditor)
    QString GetValue() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzDateProperty, TqdzPropertyEditor)
    QString GetValue() override;
    void SetValue(const QString &Value) override;
};
QDZ_EDITOR(TqdzTimeProperty, TqdzPropertyEditor)
    QString GetValue() override;
    void SetValue(const QString &Value) override;
};
#undef QDZ_EDITOR

class TqdzPropertyEditorItem : public TCollectionItem
{
    STATION_CLASS(TqdzPropertyEditorItem, TCollectionItem)
public:
    explicit TqdzPropertyEditorItem(TCollection *Collection);

    PTypeInfo PropertyType = nullptr;
    // None for any class; an empty name for any property.
    TClass ComponentClass = nullptr;
    QString PropertyName;
    TClass EditorClass = nullptr;
};

class TqdzPropertyEditorCollection : public TCollection
{
    STATION_CLASS(TqdzPropertyEditorCollection, TCollection)
public:
    TqdzPropertyEditorCollection();
    TqdzPropertyEditorItem *Items(int Index) const
    {
        return static_cast<TqdzPropertyEditorItem *>(TCollection::Items(Index));
    }
    int FIndex = -1;
};

// ------------------------------------------------------------------ export filters

class TqdzExportFilterItem : public TCollectionItem
{
    STATION_CLASS(TqdzExportFilterItem, TCollectionItem)
public:
    explicit TqdzExportFilterItem(TCollection *Collection);
    // The filter object; the unit that registered it owns it.
    TObject *Filter = nullptr;
};

class TqdzExportFilterCollection : public TCollection
{
    STATION_CLASS(TqdzExportFilterCollection, TCollection)
public:
    TqdzExportFilterCollection();
    TqdzExportFilterItem *Items(int Index) const
    {
        return static_cast<TqdzExportFilterItem *>(TCollection::Items(Index));
    }
};

// ------------------------------------------------------------------ the registries

// Each collection is made on first use and freed when the program ends.
TqdzObjectCollection *qdzObjects();
TqdzPropertyEditorCollection *qdzPropertyEditors();
TqdzExportFilterCollection *qdzExportFilters();

// Adds an object kind, unless one with the same class and Flags exists. The
// class becomes creatable by name. Category 0 is derived from the class: 1
// for datasets and databases, 4 for dialog controls and components, 2 else.
// The item takes ButtonBmp.
void RegisterObject(TClass ClassRef, TBitmap *ButtonBmp, quint8 Category = 0, int ButtonImageIndex = -1,
                       quint16 Flags = 0, const QString &CategoryName = QString(),
                       const QString &ButtonHint = QString());
// Removes every kind of the class.
void UnregisterObject(TClass ClassRef);
void RegisterEditor(PTypeInfo PropertyType, TClass ComponentClass, const QString &PropertyName,
                       TClass EditorClass);
// Registers the editors of the class library's property types (done once,
// on the first use of the editor registry).
void qdzRegisterStandardEditors(TqdzPropertyEditorCollection *Editors);
// A new editor of the class for the designer.
std::unique_ptr<TqdzPropertyEditor> qdzCreatePropertyEditor(TClass EditorClass, TObject *Designer);
