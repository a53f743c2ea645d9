// Theme services: the desktop's Qt style stands in for the system's visual
// styles. Themes count as enabled while the application runs with a style
// that draws its own controls; the "windows" style is the classic look, under
// which they are disabled. The parts are drawn by the style by state.
#pragma once
#include "Graphics.h"
#include "TypInfo.h"
#include "Types.h"

STATION_DECLARE_ENUM(TThemedButton, tbButtonDontCare, tbPushButtonNormal, tbPushButtonHot, tbPushButtonPressed,
                     tbPushButtonDisabled, tbPushButtonDefaulted, tbRadioButtonUncheckedNormal,
                     tbRadioButtonUncheckedHot, tbRadioButtonUncheckedPressed, tbRadioButtonUncheckedDisabled,
                     tbRadioButtonCheckedNormal, tbRadioButtonCheckedHot, tbRadioButtonCheckedPressed,
                     tbRadioButtonCheckedDisabled)
STATION_DECLARE_ENUM(TThemedProgress, tpProgressDontCare, tpBar, tpBarVert, tpChunk, tpChunkVert)

class TThemeServices
{
public:
    // The style of the running application is not the classic one.
    bool ThemesEnabled() const;
    void DrawElement(TCanvas *Canvas, TThemedButton Part, const TRect &R);
    void DrawElement(TCanvas *Canvas, TThemedProgress Part, const TRect &R);
    // Whether the part leaves pixels unpainted (rounded corners), so that
    // the parent's background must be drawn first.
    bool HasTransparentParts(TThemedButton Part) const;
};

TThemeServices *ThemeServices();
// The Qt style the application runs under when themes are off.
inline constexpr const char *ClassicStyleName = "windows";
