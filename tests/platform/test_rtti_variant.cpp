// Generic property access through Variant values.
#include "Component.h"
#include "Font.h"
#include "TypInfo.h"
#include "Variants.h"
#include <gtest/gtest.h>

STATION_DECLARE_ENUM(TRttiVarShape, rvsCircle, rvsSquare)

class TRttiVarHolder : public TComponent
{
    STATION_CLASS(TRttiVarHolder, TComponent)
public:
    explicit TRttiVarHolder(TComponent *AOwner) : TComponent(AOwner) {}
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &V) { FValue = V; }
    TRttiVarShape Shape() const { return FShape; }
    void SetShape(TRttiVarShape V) { FShape = V; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool V) { FEnabled = V; }
    TFontStyles Styles() const { return FStyles; }
    void SetStyles(TFontStyles V) { FStyles = V; }
    double Ratio() const { return FRatio; }
    void SetRatio(double V) { FRatio = V; }
    double When() const { return FWhen; }
    void SetWhen(double V) { FWhen = V; }
    QChar Mark() const { return FMark; }
    void SetMark(QChar V) { FMark = V; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 V) { FBig = V; }
    TComponent *Link() const { return FLink; }
    void SetLink(TComponent *V) { FLink = V; }
    const QString &Text() const { return FText; }
    void SetText(const QString &V) { FText = V; }

private:
    Variant FValue;
    TRttiVarShape FShape = rvsCircle;
    bool FEnabled = true;
    TFontStyles FStyles;
    double FRatio = 0;
    double FWhen = 0;
    QChar FMark;
    qint64 FBig = 0;
    TComponent *FLink = nullptr;
    QString FText;
};

STATION_PUBLISHED(TRttiVarHolder)
{
    P.Prop("Value", &TRttiVarHolder::Value, &TRttiVarHolder::SetValue);
    P.Prop("Shape", &TRttiVarHolder::Shape, &TRttiVarHolder::SetShape);
    P.Prop("Enabled", &TRttiVarHolder::Enabled, &TRttiVarHolder::SetEnabled).Default(true);
    P.Prop("Styles", &TRttiVarHolder::Styles, &TRttiVarHolder::SetStyles);
    P.Prop("Ratio", &TRttiVarHolder::Ratio, &TRttiVarHolder::SetRatio);
    P.Prop("When", &TRttiVarHolder::When, &TRttiVarHolder::SetWhen).Type(TypeInfoDateTime());
    P.Prop("Mark", &TRttiVarHolder::Mark, &TRttiVarHolder::SetMark);
    P.Prop("Big", &TRttiVarHolder::Big, &TRttiVarHolder::SetBig);
    P.Prop("Link", &TRttiVarHolder::Link, &TRttiVarHolder::SetLink);
    P.Prop("Text", &TRttiVarHolder::Text, &TRttiVarHolder::SetText);
}

TEST(RttiVariant, ReadByKind)
{
    TRttiVarHolder h(nullptr);
    h.SetName(QStringLiteral("Holder1"));
    h.SetShape(rvsSquare);
    h.SetStyles({fsBold, fsItalic});
    h.SetRatio(0.5);
    h.SetWhen(45000.25);
    h.SetMark(QChar(u'A'));
    h.SetBig(qint64(1) << 33);
    h.SetLink(&h);
    h.SetValue(Variant(QStringLiteral("abc")));

    EXPECT_EQ(VarType(GetPropValue(&h, u"Tag")), varInteger);
    EXPECT_EQ(GetPropValue(&h, u"Name").AsString(), "Holder1");
    EXPECT_EQ(GetPropValue(&h, u"Shape").AsString(), "rvsSquare");
    EXPECT_EQ(GetPropValue(&h, u"Shape", false).AsInteger(), 1);
    EXPECT_EQ(VarType(GetPropValue(&h, u"Enabled")), varBoolean);
    EXPECT_TRUE(GetPropValue(&h, u"Enabled").AsBoolean());
    EXPECT_EQ(GetPropValue(&h, u"Styles").AsString(), "fsBold,fsItalic");
    EXPECT_EQ(GetPropValue(&h, u"Styles", false).AsInteger(), 3);
    EXPECT_EQ(GetPropValue(&h, u"Ratio").AsDouble(), 0.5);
    EXPECT_EQ(VarType(GetPropValue(&h, u"When")), varDate);
    EXPECT_EQ(GetPropValue(&h, u"Mark").AsInteger(), 65);
    EXPECT_EQ(GetPropValue(&h, u"Big").AsInt64(), qint64(1) << 33);
    EXPECT_EQ(GetPropValue(&h, u"Link").AsObject(), &h);
    EXPECT_TRUE(VarIsObject(GetPropValue(&h, u"Link")));
    EXPECT_EQ(GetPropValue(&h, u"Value").AsString(), "abc");
    EXPECT_EQ(GetVariantProp(&h, GetPropInfo(&h, u"Value")).AsString(), "abc");
}

TEST(RttiVariant, WriteConvertsByKind)
{
    TRttiVarHolder h(nullptr);
    SetPropValue(&h, u"Tag", Variant(QStringLiteral("12")));
    EXPECT_EQ(h.Tag(), 12);
    SetPropValue(&h, u"Shape", Variant(QStringLiteral("RVSSQUARE")));
    EXPECT_EQ(h.Shape(), rvsSquare);
    SetPropValue(&h, u"Shape", Variant(0));
    EXPECT_EQ(h.Shape(), rvsCircle);
    EXPECT_THROW(SetPropValue(&h, u"Shape", Variant(2)), EPropertyConvertError);
    EXPECT_THROW(SetPropValue(&h, u"Shape", Variant(QStringLiteral("rvsTriangle"))), EPropertyConvertError);
    SetPropValue(&h, u"Enabled", Variant(false));
    EXPECT_FALSE(h.Enabled());
    SetPropValue(&h, u"Styles", Variant(QStringLiteral("[fsUnderline]")));
    EXPECT_EQ(h.Styles(), TFontStyles{fsUnderline});
    SetPropValue(&h, u"Styles", Variant(9));
    EXPECT_EQ(h.Styles(), (TFontStyles{fsBold, fsStrikeOut}));
    SetPropValue(&h, u"Ratio", Variant(QStringLiteral("2.5")));
    EXPECT_EQ(h.Ratio(), 2.5);
    SetPropValue(&h, u"Mark", Variant(QStringLiteral("Z")));
    EXPECT_EQ(h.Mark(), QChar(u'Z'));
    SetPropValue(&h, u"Big", Variant(qint64(-5)));
    EXPECT_EQ(h.Big(), -5);
    SetPropValue(&h, u"Text", Variant(3.5));
    EXPECT_EQ(h.Text(), "3.5");
    SetPropValue(&h, u"Value", Variant(7));
    EXPECT_EQ(h.Value().AsInteger(), 7);
    SetPropValue(&h, u"Link", Variant(&h));
    EXPECT_EQ(h.Link(), &h);
    SetPropValue(&h, u"Link", Variant());
    EXPECT_EQ(h.Link(), nullptr);
    // Not an object reference.
    EXPECT_ANY_THROW(SetPropValue(&h, u"Link", Variant(QStringLiteral("x"))));
    EXPECT_EQ(h.Link(), nullptr);
    // Out of the Integer range.
    EXPECT_THROW(SetPropValue(&h, u"Tag", Variant(qint64(1) << 40)), ERangeError);
    EXPECT_THROW(SetPropValue(&h, u"Font.Name", Variant(QStringLiteral("x"))), EPropertyError);
}
