// Theme services over the application's Qt style.
#include "Themes.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionProgressBar>


namespace {

QStyle *AppStyle()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
}

} // namespace

bool TThemeServices::ThemesEnabled() const
{
    QStyle *s = AppStyle();
    return s && s->name().compare(QLatin1String(ClassicStyleName), Qt::CaseInsensitive) != 0;
}

bool TThemeServices::HasTransparentParts(TThemedButton Part) const
{
    return Part >= tbPushButtonNormal && Part <= tbPushButtonDefaulted;
}

void TThemeServices::DrawElement(TCanvas *Canvas, TThemedButton Part, const TRect &R)
{
    QStyle *s = AppStyle();
    QPainter *p = Canvas ? Canvas->Handle() : nullptr;
    if (!s || !p || R.IsEmpty() || Part == tbButtonDontCare)
        return;
    p->save();
    // Styles draw some parts relative to the painter's origin.
    p->translate(R.Left, R.Top);
    QStyleOptionButton opt;
    opt.rect = QRect(0, 0, R.Width(), R.Height());
    opt.palette = QApplication::palette();
    opt.state = QStyle::State_Enabled;
    if (Part <= tbPushButtonDefaulted) {
        opt.state |= QStyle::State_Raised;
        switch (Part) {
        case tbPushButtonHot: opt.state |= QStyle::State_MouseOver; break;
        case tbPushButtonPressed: opt.state = (opt.state & ~QStyle::State_Raised) | QStyle::State_Sunken; break;
        case tbPushButtonDisabled: opt.state &= ~QStyle::State_Enabled; break;
        case tbPushButtonDefaulted: opt.features |= QStyleOptionButton::DefaultButton; break;
        default: break;
        }
        if (!(opt.state & QStyle::State_Enabled))
            opt.palette.setCurrentColorGroup(QPalette::Disabled);
        s->drawControl(QStyle::CE_PushButtonBevel, &opt, p, nullptr);
    } else {
        const int k = int(Part) - int(tbRadioButtonUncheckedNormal);
        const bool checked = k >= 4;
        opt.state |= checked ? QStyle::State_On : QStyle::State_Off;
        switch (k % 4) {
        case 1: opt.state |= QStyle::State_MouseOver; break;
        case 2: opt.state |= QStyle::State_Sunken; break;
        case 3: opt.state &= ~QStyle::State_Enabled; opt.palette.setCurrentColorGroup(QPalette::Disabled); break;
        default: break;
        }
        s->drawPrimitive(QStyle::PE_IndicatorRadioButton, &opt, p, nullptr);
    }
    p->restore();
}

void TThemeServices::DrawElement(TCanvas *Canvas, TThemedProgress Part, const TRect &R)
{
    QStyle *s = AppStyle();
    QPainter *p = Canvas ? Canvas->Handle() : nullptr;
    if (!s || !p || R.IsEmpty() || Part == tpProgressDontCare)
        return;
    // Vertical parts are the horizontal ones turned a quarter, drawn on
    // their own so that no style's idea of the painter's origin matters.
    const bool vertical = Part == tpBarVert || Part == tpChunkVert;
    const int w = vertical ? R.Height() : R.Width(), h = vertical ? R.Width() : R.Height();
    QImage part(w, h, QImage::Format_ARGB32_Premultiplied);
    part.fill(Qt::transparent);
    {
        QPainter pp(&part);
        QStyleOptionProgressBar opt;
        opt.rect = QRect(0, 0, w, h);
        opt.palette = QApplication::palette();
        opt.state = QStyle::State_Enabled | QStyle::State_Horizontal;
        opt.minimum = 0;
        opt.maximum = 1;
        opt.progress = 1; // the chunk fills the rectangle it is given
        opt.textVisible = false;
        if (Part == tpBar || Part == tpBarVert)
            s->drawControl(QStyle::CE_ProgressBarGroove, &opt, &pp, nullptr);
        else
            s->drawControl(QStyle::CE_ProgressBarContents, &opt, &pp, nullptr);
    }
    if (vertical)
        part = part.transformed(QTransform().rotate(-90));
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(R.Left, R.Top, part);
    p->restore();
}

TThemeServices *ThemeServices()
{
    static TThemeServices services;
    return &services;
}
