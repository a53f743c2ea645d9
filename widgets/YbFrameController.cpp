// The frame controller and the settings component of the suite's common unit.
#include "YbCommon.h"

#include "Filer.h"

#include <algorithm>

// --- TYbRegIniFile -------------------------------------------------------------

STATION_PUBLISHED(TYbRegIniFile)
{
    P.Prop("About", &TYbRegIniFile::About, &TYbRegIniFile::SetAbout).Stored(false);
    P.Prop("FileEncoding", &TYbRegIniFile::FileEncoding, &TYbRegIniFile::SetFileEncoding).Default(feDefault);
    P.Prop("Path", &TYbRegIniFile::Path, &TYbRegIniFile::SetPath);
    P.Prop("PathType", &TYbRegIniFile::PathType, &TYbRegIniFile::SetPathType).Default(ptIniFile);
    P.Prop("RegKey", &TYbRegIniFile::RegKey, &TYbRegIniFile::SetRegKey).Default(hkeyCurrentUser);
    P.Prop("RegAccess", &TYbRegIniFile::RegAccess, &TYbRegIniFile::SetRegAccess).NoDefault();
    P.Prop("SpecialFolder", &TYbRegIniFile::SpecialFolder, &TYbRegIniFile::SetSpecialFolder).Default(sfNone);
}

TYbRegIniFile::TYbRegIniFile(TComponent *AOwner) : TComponent(AOwner) {}

void TYbRegIniFile::SetFileEncoding(TYbIniFileEncoding Value)
{
    if (FFileEncoding != Value) {
        FFileEncoding = Value;
        MarkChanged();
    }
}

void TYbRegIniFile::SetPath(const QString &Value)
{
    if (FPath != Value) {
        FPath = Value;
        MarkChanged();
    }
}

void TYbRegIniFile::SetPathType(TYbPathType Value)
{
    if (FPathType != Value) {
        FPathType = Value;
        MarkChanged();
    }
}

void TYbRegIniFile::SetRegKey(TYbRegKey Value)
{
    if (FRegKey != Value) {
        FRegKey = Value;
        MarkChanged();
    }
}

void TYbRegIniFile::SetRegAccess(TYbRegAccess Value)
{
    if (FRegAccess != Value) {
        FRegAccess = Value;
        MarkChanged();
    }
}

void TYbRegIniFile::SetSpecialFolder(TYbSpecialFolder Value)
{
    if (FSpecialFolder != Value) {
        FSpecialFolder = Value;
        MarkChanged();
    }
}

// --- TYbFrameController --------------------------------------------------------

STATION_PUBLISHED(TYbFrameController)
{
    P.Prop("About", &TYbFrameController::About, &TYbFrameController::SetAbout).Stored(false);
    P.Prop("Color", &TYbFrameController::Color, &TYbFrameController::SetColor)
        .Type(TypeInfoTColor())
        .Default(int(clWindow))
        .Stored(&TYbFrameController::IsColorStored);
    P.Prop("DisabledColor", &TYbFrameController::DisabledColor, &TYbFrameController::SetDisabledColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnFace));
    P.Prop("ReadOnlyColor", &TYbFrameController::ReadOnlyColor, &TYbFrameController::SetReadOnlyColor)
        .Type(TypeInfoTColor())
        .Default(int(clInfoBk));
    P.Prop("ReadOnlyColorOnFocus", &TYbFrameController::ReadOnlyColorOnFocus,
           &TYbFrameController::SetReadOnlyColorOnFocus)
        .Default(false);
    P.Prop("FlatButtonColor", &TYbFrameController::FlatButtonColor, &TYbFrameController::SetFlatButtonColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnFace));
    P.Prop("FlatButtons", &TYbFrameController::FlatButtons, &TYbFrameController::SetFlatButtons).Default(true);
    P.Prop("FocusColor", &TYbFrameController::FocusColor, &TYbFrameController::SetFocusColor)
        .Type(TypeInfoTColor())
        .Default(int(clWindow));
    P.Prop("FrameColor", &TYbFrameController::FrameColor, &TYbFrameController::SetFrameColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnShadow));
    P.Prop("FrameHotColor", &TYbFrameController::FrameHotColor, &TYbFrameController::SetFrameHotColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnShadow));
    P.Prop("FrameHotStyle", &TYbFrameController::FrameHotStyle, &TYbFrameController::SetFrameHotStyle)
        .Type(TypeInfoFrameStyle())
        .Default(fsFlatBold);
    P.Prop("FrameHotTrack", &TYbFrameController::FrameHotTrack, &TYbFrameController::SetFrameHotTrack)
        .Default(false);
    P.Prop("FrameSides", &TYbFrameController::FrameSides, &TYbFrameController::SetFrameSides).Default(AllSides);
    P.Prop("FrameStyle", &TYbFrameController::FrameStyle, &TYbFrameController::SetFrameStyle)
        .Type(TypeInfoFrameStyle())
        .Default(fsFlat);
    P.Prop("FrameVisible", &TYbFrameController::FrameVisible, &TYbFrameController::SetFrameVisible).Default(false);
    P.Prop("FramingPreference", &TYbFrameController::FramingPreference, &TYbFrameController::SetFramingPreference)
        .Default(fpXPThemes);
    P.Prop("ParentColor", &TYbFrameController::ParentColor, &TYbFrameController::SetParentColor).Default(false);
    P.Prop("RegIniFile", &TYbFrameController::RegIniFile, &TYbFrameController::SetRegIniFile);
}

TYbFrameController::TYbFrameController(TComponent *AOwner) : TComponent(AOwner) {}

TYbFrameController::~TYbFrameController() = default;

void TYbFrameController::Assign(TPersistent *Source)
{
    auto *src = dynamic_cast<TYbFrameController *>(Source);
    if (!src) {
        TComponent::Assign(Source);
        return;
    }
    BeginUpdate();
    try {
        SetColor(src->Color());
        SetDisabledColor(src->DisabledColor());
        SetReadOnlyColor(src->ReadOnlyColor());
        SetReadOnlyColorOnFocus(src->ReadOnlyColorOnFocus());
        SetFlatButtonColor(src->FlatButtonColor());
        SetFlatButtons(src->FlatButtons());
        SetFocusColor(src->FocusColor());
        SetFrameColor(src->FrameColor());
        SetFrameHotColor(src->FrameHotColor());
        SetFrameHotStyle(src->FrameHotStyle());
        SetFrameHotTrack(src->FrameHotTrack());
        SetFrameSides(src->FrameSides());
        SetFrameStyle(src->FrameStyle());
        SetFrameVisible(src->FrameVisible());
        SetFramingPreference(src->FramingPreference());
        SetParentColor(src->ParentColor());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TYbFrameController::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    const bool focusAlong = FFocusColor == FColor;
    FColor = Value;
    if (focusAlong)
        FFocusColor = Value;
    const bool wasParent = FParentColor;
    FParentColor = false;
    UpdateControls(fcpColor);
    if (focusAlong)
        UpdateControls(fcpFocusColor);
    if (wasParent)
        UpdateControls(fcpParentColor);
}

#define STATION_YB_SETTER(Name, Type, Field, Prop)                                                         \
    void TYbFrameController::Set##Name(Type Value)                                                         \
    {                                                                                                      \
        if (Field == Value)                                                                                \
            return;                                                                                        \
        Field = Value;                                                                                     \
        UpdateControls(Prop);                                                                              \
    }

STATION_YB_SETTER(DisabledColor, TColor, FDisabledColor, fcpDisabledColor)
STATION_YB_SETTER(ReadOnlyColor, TColor, FReadOnlyColor, fcpReadOnlyColor)
STATION_YB_SETTER(ReadOnlyColorOnFocus, bool, FReadOnlyColorOnFocus, fcpReadOnlyColorOnFocus)
STATION_YB_SETTER(FlatButtonColor, TColor, FFlatButtonColor, fcpFlatButtonColor)
STATION_YB_SETTER(FlatButtons, bool, FFlatButtons, fcpFlatButtons)
STATION_YB_SETTER(FocusColor, TColor, FFocusColor, fcpFocusColor)
STATION_YB_SETTER(FrameColor, TColor, FFrameColor, fcpFrameColor)
STATION_YB_SETTER(FrameHotColor, TColor, FFrameHotColor, fcpFrameHotColor)
STATION_YB_SETTER(FrameHotStyle, TFrameStyle, FFrameHotStyle, fcpFrameHotStyle)
STATION_YB_SETTER(FrameSides, TSides, FFrameSides, fcpFrameSides)
STATION_YB_SETTER(FrameStyle, TFrameStyle, FFrameStyle, fcpFrameStyle)
STATION_YB_SETTER(FrameVisible, bool, FFrameVisible, fcpFrameVisible)
STATION_YB_SETTER(FramingPreference, TFramingPreference, FFramingPreference, fcpFramingPreference)

#undef STATION_YB_SETTER

void TYbFrameController::SetFrameHotTrack(bool Value)
{
    if (FFrameHotTrack == Value)
        return;
    FFrameHotTrack = Value;
    if (Value) {
        SetFrameVisible(true);
        if (!ComponentState().Contains(csLoading))
            SetFrameSides(AllSides);
    }
    UpdateControls(fcpFrameHotTrack);
}

void TYbFrameController::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    UpdateControls(fcpParentColor);
    if (!Value)
        UpdateControls(fcpColor);
}

void TYbFrameController::SetRegIniFile(TYbRegIniFile *Value)
{
    if (FRegIniFile == Value)
        return;
    if (FRegIniFile)
        FRegIniFile->RemoveFreeNotification(this);
    FRegIniFile = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TYbFrameController::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FRegIniFile)
        FRegIniFile = nullptr;
    // A control being freed is only a TComponent by now: find it by address.
    if (FControls)
        for (TControl *c : *FControls)
            if (static_cast<TComponent *>(c) == AComponent) {
                Disconnect(c);
                break;
            }
}

bool TYbFrameController::Connected(TControl *Control) const
{
    return FControls && std::find(FControls->begin(), FControls->end(), Control) != FControls->end();
}

void TYbFrameController::Connect(TControl *Control)
{
    if (!Control || Connected(Control))
        return;
    if (!FControls)
        FControls = std::make_unique<std::vector<TControl *>>();
    FControls->push_back(Control);
    Control->FreeNotification(this);
    UpdateControl(Control, fcpAll);
}

void TYbFrameController::Disconnect(TControl *Control)
{
    if (!FControls)
        return;
    auto it = std::find(FControls->begin(), FControls->end(), Control);
    if (it == FControls->end())
        return;
    FControls->erase(it);
    if (FControls->empty())
        FControls.reset();
}

void TYbFrameController::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount < 1)
        UpdateControls(fcpAll);
}

void TYbFrameController::UpdateControls(TYbFrameControllerProperty Prop)
{
    if (FUpdateCount > 0 || !FControls)
        return;
    // A control may leave the list while it takes the settings.
    const std::vector<TControl *> controls = *FControls;
    for (TControl *c : controls)
        if (Connected(c))
            UpdateControl(c, Prop);
}

void TYbFrameController::UpdateControl(TControl *Control, TYbFrameControllerProperty Prop)
{
    if (!Control)
        return;
    if (auto *client = dynamic_cast<IYbFrameControllerClient *>(Control)) {
        client->ApplyFrameControllerSettings(this, Prop);
        return;
    }
    TYbFrameControllerNotifications accepted = AllFrameControllerNotifications;
    if (PPropInfo p = GetPropInfo(Control, u"FrameControllerNotifications"))
        accepted = TYbFrameControllerNotifications::FromInt(quint32(GetOrdProp(Control, p)) & 0xFFFF);
    auto setOrd = [Control](QStringView Name, qint64 Value) {
        if (PPropInfo p = GetPropInfo(Control, Name))
            SetOrdProp(Control, p, Value);
    };
    for (int i = fcpColor; i <= fcpFramingPreference; ++i) {
        const auto prop = TYbFrameControllerProperty(i);
        if ((Prop != fcpAll && Prop != prop) || !accepted.Contains(prop))
            continue;
        switch (prop) {
        case fcpColor: setOrd(u"Color", FColor); break;
        case fcpFocusColor: setOrd(u"FocusColor", FFocusColor); break;
        case fcpDisabledColor: setOrd(u"DisabledColor", FDisabledColor); break;
        case fcpReadOnlyColor: setOrd(u"ReadOnlyColor", FReadOnlyColor); break;
        case fcpReadOnlyColorOnFocus: setOrd(u"ReadOnlyColorOnFocus", FReadOnlyColorOnFocus); break;
        case fcpParentColor: setOrd(u"ParentColor", FParentColor); break;
        case fcpFlatButtonColor: setOrd(u"FlatButtonColor", FFlatButtonColor); break;
        case fcpFlatButtons: setOrd(u"FlatButtons", FFlatButtons); break;
        case fcpFrameColor: setOrd(u"FrameColor", FFrameColor); break;
        case fcpFrameHotColor: setOrd(u"FrameHotColor", FFrameHotColor); break;
        case fcpFrameHotTrack: setOrd(u"FrameHotTrack", FFrameHotTrack); break;
        case fcpFrameHotStyle: setOrd(u"FrameHotStyle", FFrameHotStyle); break;
        case fcpFrameSides:
            if (PPropInfo p = GetPropInfo(Control, u"FrameSides"))
                SetSetProp(Control, p, GetSetProp(this, u"FrameSides"));
            break;
        case fcpFrameStyle: setOrd(u"FrameStyle", FFrameStyle); break;
        case fcpFrameVisible: setOrd(u"FrameVisible", FFrameVisible); break;
        case fcpFramingPreference: setOrd(u"FramingPreference", FFramingPreference); break;
        default: break;
        }
    }
}

void TYbFrameController::Loaded()
{
    TComponent::Loaded();
    UpdateControls(fcpAll);
}

void TYbFrameController::DefineProperties(TFiler *Filer)
{
    TComponent::DefineProperties(Filer);
    // Settings of older stored forms.
    Filer->DefineProperty(
        QStringLiteral("FrameFlat"),
        [this](TReader *Reader) {
            if (Reader->ReadBoolean()) {
                SetFrameHotTrack(true);
                SetFrameStyle(fsStatus);
                SetFrameHotStyle(fsLowered);
            }
        },
        nullptr, false);
    Filer->DefineProperty(
        QStringLiteral("FrameFocusStyle"),
        [this](TReader *Reader) {
            const QString ident = Reader->ReadIdent();
            const QStringList &names = TypeInfoFrameStyle()->Names;
            for (int i = 0; i < names.size(); ++i)
                if (names[i].compare(ident, Qt::CaseInsensitive) == 0)
                    SetFrameHotStyle(TFrameStyle(i));
        },
        nullptr, false);
    Filer->DefineProperty(
        QStringLiteral("FrameFlatStyle"), [](TReader *Reader) { Reader->ReadIdent(); }, nullptr, false);
}
