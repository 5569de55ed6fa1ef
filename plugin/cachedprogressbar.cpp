#include "cachedprogressbar.h"

#include "cachedbackdrop.h"

#include <QCache>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

namespace {

// Enough for the hundred and one pictures of a few bar sizes.
constexpr int cacheLimitKib = 4096;

// Everything that the style draws a bar from, and what lies under it.
struct PictureKey
{
    quint64 backdrop;
    quint64 palette;
    const QStyle *style;
    QSize size;
    qreal pixelRatio;
    int dpi;
    int state;
    int direction;
    int minimum;
    int maximum;
    int progress;
    int alignment;
    int flags;
    QString text;
    QString font;

    bool operator==(const PictureKey &o) const
    {
        return backdrop == o.backdrop && palette == o.palette && style == o.style &&
               size == o.size && qFuzzyCompare(pixelRatio, o.pixelRatio) && dpi == o.dpi &&
               state == o.state && direction == o.direction && minimum == o.minimum &&
               maximum == o.maximum && progress == o.progress && alignment == o.alignment &&
               flags == o.flags && text == o.text && font == o.font;
    }
};

uint qHash(const PictureKey &k, uint seed = 0)
{
    const auto combine = [&seed](uint hash) {
        seed ^= hash + 0x9e3779b9u + (seed << 6) + (seed >> 2);
    };
    combine(::qHash(k.backdrop));
    combine(::qHash(k.palette));
    combine(::qHash(k.size.width()));
    combine(::qHash(k.size.height()));
    combine(::qHash(k.state));
    combine(::qHash(k.progress));
    combine(::qHash(k.text));
    return seed;
}

using PictureCache = QCache<PictureKey, QPixmap>;

// Pixmaps go before the application that they need: the cache is emptied as it ends.
PictureCache &pictureCache()
{
    static PictureCache *cache = nullptr;
    if (!cache) {
        cache = new PictureCache(cacheLimitKib);
        qAddPostRoutine([] {
            delete cache;
            cache = nullptr;
        });
    }
    return *cache;
}

// The palette's colours, so that bars with equal palettes (each widget holds its own copy)
// share their pictures. A palette of textures or gradients counts as itself alone.
quint64 paletteKey(const QPalette &palette)
{
    quint64 key = 14695981039346656037ull;
    const auto mix = [&key](quint64 value) {
        key = (key ^ value) * 1099511628211ull;
    };
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const QBrush &brush =
                palette.brush(QPalette::ColorGroup(group), QPalette::ColorRole(role));
            mix(quint64(brush.style()) << 32 | brush.color().rgba());
            if (brush.style() > Qt::DiagCrossPattern)
                mix(palette.cacheKey());
        }
    }
    return key;
}

// What QProgressBar::paintEvent draws from (its initStyleOption, which is protected).
QStyleOptionProgressBar styleOption(const QProgressBar *bar)
{
    QStyleOptionProgressBar option;
    option.initFrom(bar);
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.progress = bar->value();
    option.textAlignment = bar->alignment();
    option.textVisible = bar->isTextVisible();
    option.text = bar->text();
    option.orientation = bar->orientation();
    option.invertedAppearance = bar->invertedAppearance();
    option.bottomToTop = bar->textDirection() == QProgressBar::BottomToTop;
    return option;
}

} // namespace

CachedProgressBar::CachedProgressBar(QProgressBar *bar, CachedBackdrop *backdrop)
    : QObject(bar), m_bar(bar), m_backdrop(backdrop), m_fontKey(bar->font().key()),
      m_paletteKey(paletteKey(bar->palette()))
{
    m_bar->installEventFilter(this);
    connect(m_bar, &QProgressBar::valueChanged, this, &CachedProgressBar::valueChanged);
}

int CachedProgressBar::cachedPictures()
{
    return pictureCache().count();
}

void CachedProgressBar::clearCache()
{
    pictureCache().clear();
}

void CachedProgressBar::valueChanged(int value)
{
    // QProgressBar skips the repaint of a value equal to the one it last painted itself, which
    // after pictures from the cache may not be the one shown.
    if (m_shownFromCache && value != m_shownValue)
        m_bar->update();
}

bool CachedProgressBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_bar)
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        return paint();
    case QEvent::FontChange:
    case QEvent::Polish:
        m_fontKey = m_bar->font().key();
        m_paletteKey = paletteKey(m_bar->palette());
        break;
    case QEvent::PaletteChange:
        m_paletteKey = paletteKey(m_bar->palette());
        break;
    case QEvent::StyleChange:
        // A style sheet may change what the same style object draws.
        clearCache();
        m_fontKey = m_bar->font().key();
        m_paletteKey = paletteKey(m_bar->palette());
        break;
    default:
        break;
    }
    return false;
}

bool CachedProgressBar::paint()
{
    m_shownFromCache = false;
    if (!m_bar->testAttribute(Qt::WA_OpaquePaintEvent))
        return false;
    const QPixmap &backdrop = m_backdrop->picture();
    if (backdrop.isNull())
        return false;

    const QStyleOptionProgressBar option = styleOption(m_bar);
    QStyle *style = m_bar->style();
    const PictureKey key{m_backdrop->pictureKey(),
                         m_paletteKey,
                         style,
                         backdrop.size(),
                         backdrop.devicePixelRatioF(),
                         m_bar->logicalDpiY(),
                         int(option.state),
                         int(option.direction),
                         option.minimum,
                         option.maximum,
                         option.progress,
                         int(option.textAlignment),
                         int(option.textVisible) | int(option.orientation) << 1 |
                             int(option.invertedAppearance) << 3 | int(option.bottomToTop) << 4,
                         option.text,
                         m_fontKey};
    PictureCache &cache = pictureCache();
    const QPixmap *picture = cache.object(key);
    if (!picture) {
        // Drawn on an image of the widget's resolution: text on a pixmap would be laid out for
        // the default one, and the glyphs could differ from those on the screen.
        QImage image = backdrop.toImage();
        image.setDotsPerMeterX(qRound(m_bar->logicalDpiX() / 0.0254));
        image.setDotsPerMeterY(qRound(m_bar->logicalDpiY() / 0.0254));
        {
            // As a painter on the widget starts out, then as QProgressBar::paintEvent draws.
            QPainter painter(&image);
            painter.setPen(option.palette.color(m_bar->foregroundRole()));
            painter.setBackground(option.palette.brush(m_bar->backgroundRole()));
            painter.setFont(m_bar->font());
            style->drawControl(QStyle::CE_ProgressBar, &option, &painter, m_bar);
        }
        auto *made = new QPixmap(QPixmap::fromImage(std::move(image)));
        const int kib =
            int(qMax<qint64>(1, qint64(made->width()) * made->height() * made->depth() / 8 / 1024));
        // A picture larger than the whole cache is deleted at once; the bar paints itself.
        if (!cache.insert(key, made, kib))
            return false;
        picture = made;
    }
    QPainter painter(m_bar);
    painter.drawPixmap(0, 0, *picture);
    m_shownValue = option.progress;
    m_shownFromCache = true;
    return true;
}
