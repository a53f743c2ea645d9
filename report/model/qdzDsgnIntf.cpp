// The registries of object kinds, property editors and export filters, and
// the property editors of the class library's property types.
#include "qdzDsgnIntf.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Font.h"
#include "platform/Menus.h"
#include "platform/SysUtils.h"
#include "report/model/qdzClass.h"

#include <QFontDatabase>

// ------------------------------------------------------------------ items and collections

STATION_PUBLISHED(TqdzObjectItem) {}
TqdzObjectItem::TqdzObjectItem(TCollection *Collection) : TCollectionItem(Collection) {}
TqdzObjectItem::~TqdzObjectItem() = default;

STATION_PUBLISHED(TqdzObjectCollection) {}
TqdzObjectCollection::TqdzObjectCollection() : TCollection(TqdzObjectItem::StaticClass()) {}

STATION_PUBLISHED(TqdzPropertyEditorItem) {}
TqdzPropertyEditorItem::TqdzPropertyEditorItem(TCollection *Collection) : TCollectionItem(Collection) {}

STATION_PUBLISHED(TqdzPropertyEditorCollection) {}
TqdzPropertyEditorCollection::TqdzPropertyEditorCollection()
    : TCollection(TqdzPropertyEditorItem::StaticClass())
{
}

STATION_PUBLISHED(TqdzExportFilterItem) {}
TqdzExportFilterItem::TqdzExportFilterItem(TCollection *Collection) : TCollectionItem(Collection) {}

STATION_PUBLISHED(TqdzExportFilterCollection) {}
TqdzExportFilterCollection::TqdzExportFilterCollection() : TCollection(TqdzExportFilterItem::StaticClass()) {}

TqdzObjectCollection *qdzObjects()
{
    static const std::unique_ptr<TqdzObjectCollection> FObjects = std::make_unique<TqdzObjectCollection>();
    return FObjects.get();
}

TqdzPropertyEditorCollection *qdzPropertyEditors()
{
    static const std::unique_ptr<TqdzPropertyEditorCollection> FEditors = [] {
        auto editors = std::make_unique<TqdzPropertyEditorCollection>();
        qdzRegisterStandardEditors(editors.get());
        return editors;
    }();
    return FEditors.get();
}

TqdzExportFilterCollection *qdzExportFilters()
{
    static const std::unique_ptr<TqdzExportFilterCollection> FFilters =
        std::make_unique<TqdzExportFilterCollection>();
    return FFilters.get();
}

void RegisterObject(TClass ClassRef, TBitmap *ButtonBmp, quint8 Category, int ButtonImageIndex, quint16 Flags,
                    const QString &CategoryName, const QString &ButtonHint)
{
    std::unique_ptr<TBitmap> bmp(ButtonBmp);
    TqdzObjectCollection *objects = qdzObjects();
    for (int i = 0; i < objects->Count(); ++i)
        if (objects->Items(i)->ClassRef == ClassRef && objects->Items(i)->Flags == Flags)
            return;
    if (ClassRef)
        RegisterClass(ClassRef);
    auto *item = static_cast<TqdzObjectItem *>(objects->Add());
    item->ClassRef = ClassRef;
    item->ButtonBmp = std::move(bmp);
    item->ButtonImageIndex = ButtonImageIndex;
    item->ButtonHint = ButtonHint;
    item->CategoryName = CategoryName;
    item->Flags = Flags;
    item->Category = Category;
    if (ClassRef && Category == 0) {
        if (ClassRef->InheritsFrom(TqdzDataSet::StaticClass()) ||
            ClassRef->InheritsFrom(TqdzCustomDatabase::StaticClass()))
            item->Category = qdzCategoryData;
        else if (ClassRef->InheritsFrom(TqdzDialogControl::StaticClass()) ||
                 ClassRef->InheritsFrom(TqdzDialogComponent::StaticClass()))
            item->Category = qdzCategoryDialog;
        else
            item->Category = qdzCategoryReport;
    }
}

void UnregisterObject(TClass ClassRef)
{
    TqdzObjectCollection *objects = qdzObjects();
    for (int i = objects->Count() - 1; i >= 0; --i)
        if (objects->Items(i)->ClassRef == ClassRef)
            objects->Delete(i);
}

void RegisterEditor(PTypeInfo PropertyType, TClass ComponentClass, const QString &PropertyName, TClass EditorClass)
{
    auto *item = static_cast<TqdzPropertyEditorItem *>(qdzPropertyEditors()->Add());
    item->PropertyType = PropertyType;
    item->ComponentClass = ComponentClass;
    item->PropertyName = PropertyName;
    item->EditorClass = EditorClass;
}

void qdzRegisterStandardEditors(TqdzPropertyEditorCollection *Editors)
{
    auto add = [Editors](PTypeInfo Type, TClass Component, const char *Name, TClass Editor) {
        auto *item = static_cast<TqdzPropertyEditorItem *>(Editors->Add());
        item->PropertyType = Type;
        item->ComponentClass = Component;
        item->PropertyName = QString::fromLatin1(Name);
        item->EditorClass = Editor;
    };
    add(TypeInfoTComponentName(), nullptr, "Name", TqdzNameProperty::StaticClass());
    add(TypeInfoTColor(), nullptr, "", TqdzColorProperty::StaticClass());
    add(TFont::StaticClass()->TypeInfo(), nullptr, "", TqdzFontProperty::StaticClass());
    add(TypeInfoOf<QString>(), TFont::StaticClass(), "Name", TqdzFontNameProperty::StaticClass());
    add(TypeInfoOf<qint32>(), TFont::StaticClass(), "Charset", TqdzFontCharsetProperty::StaticClass());
    add(TypeInfoTModalResult(), nullptr, "", TqdzModalResultProperty::StaticClass());
    add(TypeInfoTShortCut(), nullptr, "", TqdzShortCutProperty::StaticClass());
    add(TypeInfoTCursor(), nullptr, "", TqdzCursorProperty::StaticClass());
    add(TypeInfoDateTime(), nullptr, "", TqdzDateTimeProperty::StaticClass());
    add(TypeInfoDate(), nullptr, "", TqdzDateProperty::StaticClass());
    add(TypeInfoTime(), nullptr, "", TqdzTimeProperty::StaticClass());
}

std::unique_ptr<TqdzPropertyEditor> qdzCreatePropertyEditor(TClass EditorClass, TObject *Designer)
{
    if (!EditorClass || !EditorClass->InheritsFrom(TqdzPropertyEditor::StaticClass()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    std::unique_ptr<TqdzPropertyEditor> editor(static_cast<TqdzPropertyEditor *>(EditorClass->Create()));
    editor->SetDesigner(Designer);
    return editor;
}

// ------------------------------------------------------------------ the editor base

STATION_PUBLISHED(TqdzPropertyEditor) {}

TqdzPropertyEditor::TqdzPropertyEditor(TObject *Designer)
    : FDesigner(Designer), FValues(std::make_unique<TStringList>())
{
}

TqdzPropertyEditor::~TqdzPropertyEditor() = default;

void TqdzPropertyEditor::AddComponent(TObject *Component, PPropInfo Prop)
{
    FComponents.push_back(Component);
    FProperties.push_back(Prop);
}

bool TqdzPropertyEditor::Edit()
{
    GetValues();
    if (FValues->Count() == 0)
        return false;
    int i = FValues->IndexOf(GetValue()) + 1;
    if (i >= FValues->Count())
        i = 0;
    SetValue(FValues->Strings(i));
    return true;
}

quint8 TqdzPropertyEditor::GetAttributes()
{
    return paMultiSelect;
}

QString TqdzPropertyEditor::GetName()
{
    return FProperties.empty() || !FProperties.front() ? QString() : FProperties.front()->Name();
}

int TqdzPropertyEditor::GetExtraLBSize()
{
    return FItemHeight + 2;
}

QString TqdzPropertyEditor::GetValue()
{
    return QStringLiteral("(Unknown)");
}

void TqdzPropertyEditor::GetValues()
{
    FValues->Clear();
    FValues->SetSorted((GetAttributes() & paSortList) != 0);
}

void TqdzPropertyEditor::SetValue(const QString &) {}

void TqdzPropertyEditor::OnDrawLBItem(TCanvas *Canvas, int Index, bool, const TRect &Rect)
{
    if (Index >= 0 && Index < FValues->Count())
        Canvas->TextOut(Rect.Left + FItemHeight + 4, Rect.Top + 1, FValues->Strings(Index));
    Canvas->Pen()->SetColor(TColor(8421504));
}

void TqdzPropertyEditor::OnDrawItem(TCanvas *Canvas, const TRect &Rect)
{
    Canvas->TextOut(Rect.Left + FItemHeight - 2, Rect.Top + 1, GetValue());
    Canvas->Pen()->SetColor(TColor(8421504));
}

double TqdzPropertyEditor::GetFloatValue() const
{
    return FComponents.empty() ? 0.0 : GetFloatProp(FComponents.front(), FProperties.front());
}

qint64 TqdzPropertyEditor::GetOrdValue() const
{
    return FComponents.empty() ? 0 : GetOrdProp(FComponents.front(), FProperties.front());
}

QString TqdzPropertyEditor::GetStrValue() const
{
    return FComponents.empty() ? QString() : GetStrProp(FComponents.front(), FProperties.front());
}

TObject *TqdzPropertyEditor::GetObjectValue() const
{
    return FComponents.empty() ? nullptr : GetObjectProp(FComponents.front(), FProperties.front());
}

void TqdzPropertyEditor::SetFloatValue(double Value)
{
    for (size_t i = 0; i < FComponents.size(); ++i)
        if (FProperties[i])
            SetFloatProp(FComponents[i], FProperties[i], Value);
}

void TqdzPropertyEditor::SetOrdValue(qint64 Value)
{
    for (size_t i = 0; i < FComponents.size(); ++i)
        if (FProperties[i])
            SetOrdProp(FComponents[i], FProperties[i], Value);
}

void TqdzPropertyEditor::SetStrValue(const QString &Value)
{
    for (size_t i = 0; i < FComponents.size(); ++i)
        if (FProperties[i])
            SetStrProp(FComponents[i], FProperties[i], Value);
}

// ------------------------------------------------------------------ the editors

STATION_PUBLISHED(TqdzIntegerProperty) {}
quint8 TqdzIntegerProperty::GetAttributes() { return paMultiSelect; }
QString TqdzIntegerProperty::GetValue() { return QString::number(GetOrdValue()); }
void TqdzIntegerProperty::SetValue(const QString &Value) { SetOrdValue(StrToInt(Value)); }

STATION_PUBLISHED(TqdzStringProperty) {}
quint8 TqdzStringProperty::GetAttributes() { return paMultiSelect; }
QString TqdzStringProperty::GetValue() { return GetStrValue(); }
void TqdzStringProperty::SetValue(const QString &Value) { SetStrValue(Value); }

STATION_PUBLISHED(TqdzClassProperty) {}
quint8 TqdzClassProperty::GetAttributes() { return paSubProperties | paReadOnly | paMultiSelect; }
QString TqdzClassProperty::GetValue()
{
    TObject *value = GetObjectValue();
    return QLatin1Char('(') + (value ? value->ClassName() : QString()) + QLatin1Char(')');
}

STATION_PUBLISHED(TqdzNameProperty) {}
quint8 TqdzNameProperty::GetAttributes() { return 0; }

STATION_PUBLISHED(TqdzColorProperty) {}
quint8 TqdzColorProperty::GetAttributes() { return paValueList | paMultiSelect | paOwnerDraw; }

bool TqdzColorProperty::Edit()
{
    TColorDialog dialog(nullptr);
    dialog.SetColor(TColor(GetOrdValue()));
    if (!dialog.Execute())
        return false;
    SetOrdValue(dialog.Color());
    return true;
}

QString TqdzColorProperty::GetValue()
{
    return ColorToString(TColor(GetOrdValue()));
}

void TqdzColorProperty::GetValues()
{
    TqdzPropertyEditor::GetValues();
    GetColorValues([this](const QString &Name) { Values()->Add(Name); });
}

void TqdzColorProperty::SetValue(const QString &Value)
{
    TColor c = 0;
    if (IdentToColor(Value, c))
        SetOrdValue(c);
    else
        SetOrdValue(StrToInt(Value));
}

namespace {

// A swatch of the colour named by Text, left of the item's text.
void DrawSwatch(TCanvas *Canvas, const QString &Text, const TRect &Rect, int ItemHeight)
{
    TColor c = 0;
    if (!IdentToColor(Text, c)) {
        bool ok = false;
        c = TColor(Text.toInt(&ok));
        if (!ok)
            return;
    }
    const TColor brush = Canvas->Brush()->Color();
    const TColor pen = Canvas->Pen()->Color();
    Canvas->Brush()->SetColor(c);
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Rectangle(Rect.Left + 1, Rect.Top + 1, Rect.Left + ItemHeight + 2, Rect.Bottom - 1);
    Canvas->Brush()->SetColor(brush);
    Canvas->Pen()->SetColor(pen);
}

} // namespace

void TqdzColorProperty::OnDrawLBItem(TCanvas *Canvas, int Index, bool Selected, const TRect &Rect)
{
    if (Index >= 0 && Index < Values()->Count())
        DrawSwatch(Canvas, Values()->Strings(Index), Rect, ItemHeight());
    TqdzPropertyEditor::OnDrawLBItem(Canvas, Index, Selected, Rect);
}

void TqdzColorProperty::OnDrawItem(TCanvas *Canvas, const TRect &Rect)
{
    DrawSwatch(Canvas, GetValue(), Rect, ItemHeight() - 4);
    TqdzPropertyEditor::OnDrawItem(Canvas, Rect);
}

STATION_PUBLISHED(TqdzFontProperty) {}
quint8 TqdzFontProperty::GetAttributes() { return paDialog | paMultiSelect | paSubProperties | paReadOnly; }

bool TqdzFontProperty::Edit()
{
    auto *font = dynamic_cast<TFont *>(GetObjectValue());
    TFontDialog dialog(nullptr);
    if (font)
        dialog.SetFont(font);
    if (!dialog.Execute())
        return false;
    for (size_t i = 0; i < Components().size(); ++i)
        if (auto *f = dynamic_cast<TFont *>(GetObjectProp(Components()[i], Properties()[i])))
            f->Assign(dialog.Font());
    return true;
}

STATION_PUBLISHED(TqdzFontNameProperty) {}
quint8 TqdzFontNameProperty::GetAttributes() { return paValueList | paSortList | paMultiSelect; }

void TqdzFontNameProperty::GetValues()
{
    TqdzPropertyEditor::GetValues();
    for (const QString &family : QFontDatabase::families())
        Values()->Add(family);
}

STATION_PUBLISHED(TqdzFontCharsetProperty) {}
quint8 TqdzFontCharsetProperty::GetAttributes() { return paValueList | paSortList | paMultiSelect; }

QString TqdzFontCharsetProperty::GetValue()
{
    QString s;
    const int v = int(GetOrdValue());
    return CharsetToIdent(v, s) ? s : QString::number(v);
}

void TqdzFontCharsetProperty::GetValues()
{
    TqdzPropertyEditor::GetValues();
    GetCharsetValues([this](const QString &Name) { Values()->Add(Name); });
}

void TqdzFontCharsetProperty::SetValue(const QString &Value)
{
    int v = 0;
    if (IdentToCharset(Value, v))
        SetOrdValue(v);
    else
        SetOrdValue(StrToInt(Value));
}

namespace {

const char *const ModalResultNames[] = {"mrNone", "mrOk",    "mrCancel", "mrAbort",  "mrRetry",   "mrIgnore",
                                        "mrYes",  "mrNo",    "mrAll",    "mrNoToAll", "mrYesToAll"};

} // namespace

STATION_PUBLISHED(TqdzModalResultProperty) {}
quint8 TqdzModalResultProperty::GetAttributes() { return paValueList | paMultiSelect; }

QString TqdzModalResultProperty::GetValue()
{
    const qint64 v = GetOrdValue();
    if (v >= 0 && v <= 10)
        return QString::fromLatin1(ModalResultNames[v]);
    return QString::number(v);
}

void TqdzModalResultProperty::GetValues()
{
    TqdzPropertyEditor::GetValues();
    for (const char *name : ModalResultNames)
        Values()->Add(QString::fromLatin1(name));
}

void TqdzModalResultProperty::SetValue(const QString &Value)
{
    if (Value.isEmpty()) {
        SetOrdValue(0);
        return;
    }
    for (int i = 0; i <= 10; ++i)
        if (Value.compare(QLatin1String(ModalResultNames[i]), Qt::CaseInsensitive) == 0) {
            SetOrdValue(i);
            return;
        }
    SetOrdValue(StrToInt(Value));
}

STATION_PUBLISHED(TqdzShortCutProperty) {}
quint8 TqdzShortCutProperty::GetAttributes() { return paValueList | paMultiSelect; }

QString TqdzShortCutProperty::GetValue()
{
    const auto sc = TShortCut(GetOrdValue());
    return sc == scNone ? NoShortCutText() : ShortCutToText(sc);
}

void TqdzShortCutProperty::GetValues()
{
    TqdzPropertyEditor::GetValues();
    Values()->Add(NoShortCutText());
    GetStandardShortCuts([this](TShortCut S) { Values()->Add(ShortCutToText(S)); });
}

void TqdzShortCutProperty::SetValue(const QString &Value)
{
    SetOrdValue(Value.compare(NoShortCutText(), Qt::CaseInsensitive) == 0 ? 0 : TextToShortCut(Value));
}

STATION_PUBLISHED(TqdzCursorProperty) {}
quint8 TqdzCursorProperty::GetAttributes() { return paValueList | paSortList | paMultiSelect; }
QString TqdzCursorProperty::GetValue() { return CursorToString(TCursor(GetOrdValue())); }

void TqdzCursorProperty::GetValues()
{
    TqdzPropertyEditor::GetValues();
    GetCursorValues([this](const QString &Name) { Values()->Add(Name); });
}

void TqdzCursorProperty::SetValue(const QString &Value)
{
    SetOrdValue(StringToCursor(Value));
}

STATION_PUBLISHED(TqdzDateTimeProperty) {}
quint8 TqdzDateTimeProperty::GetAttributes() { return paMultiSelect; }
QString TqdzDateTimeProperty::GetValue()
{
    const double v = GetFloatValue();
    return v == 0 ? QString() : DateTimeToStr(v);
}
void TqdzDateTimeProperty::SetValue(const QString &Value) { SetFloatValue(Value.isEmpty() ? 0 : StrToDateTime(Value)); }

STATION_PUBLISHED(TqdzDateProperty) {}
quint8 TqdzDateProperty::GetAttributes() { return paMultiSelect; }
QString TqdzDateProperty::GetValue()
{
    const double v = GetFloatValue();
    return v == 0 ? QString() : DateToStr(v);
}
void TqdzDateProperty::SetValue(const QString &Value) { SetFloatValue(Value.isEmpty() ? 0 : StrToDate(Value)); }

STATION_PUBLISHED(TqdzTimeProperty) {}
quint8 TqdzTimeProperty::GetAttributes() { return paMultiSelect; }
QString TqdzTimeProperty::GetValue()
{
    const double v = GetFloatValue();
    return v == 0 ? QString() : TimeToStr(v);
}
void TqdzTimeProperty::SetValue(const QString &Value) { SetFloatValue(Value.isEmpty() ? 0 : StrToTime(Value)); }
