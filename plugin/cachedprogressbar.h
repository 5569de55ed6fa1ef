#pragma once

#include <QObject>
#include <QString>

class CachedBackdrop;
class QProgressBar;

// Paints a progress bar that changes many times a second from pictures shared by all bars.
// Most of an update's cost is the style drawing the bar (rounded, antialiased shapes and the
// percentage as text), while a bar shows only a hundred or so different pictures. A picture is
// taken of the bar over its backdrop, kept in a small process-wide cache under everything that
// the style draws it from (size, value, text, state, palette, font, style and the backdrop's
// pixels) and drawn in place of the bar from then on; bars of the same look in other tools find
// it there. The bar must be opaque over a CachedBackdrop, as the tool's is; until then, and when
// the backdrop has no picture, the bar paints itself.
class CachedProgressBar final : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the bar, after the backdrop; deleted with the bar.
    CachedProgressBar(QProgressBar *bar, CachedBackdrop *backdrop);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // The pictures held for all bars (for tests), and emptying the cache.
    static int cachedPictures();
    static void clearCache();

private:
    Q_DISABLE_COPY(CachedProgressBar)
    bool paint();
    void valueChanged(int value);

    QProgressBar *m_bar;
    CachedBackdrop *m_backdrop;
    // Of the bar's font and palette, which change seldom; kept from their change events.
    QString m_fontKey;
    quint64 m_paletteKey;
    // The value in the picture last drawn from the cache; none after the bar painted itself.
    int m_shownValue = 0;
    bool m_shownFromCache = false;
};
