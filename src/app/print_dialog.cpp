#include "app/print_dialog.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "app/clipboard.h"
#include "core/desktop_rules.h"
#include "core/main_window.h"
#include "core/menu_tree.h"

QPrinter& ProgramPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool PrintPicture(QPrinter& printer, const QImage& picture, const QString& caption) {
    if (picture.isNull()) return false;
    printer.setDocName(caption);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    QFont font("Sans Serif");
    font.setPointSizeF(11);
    painter.setFont(font);
    const int captionHeight = QFontMetrics(painter.font(), &printer).height();
    const PrintPageLayout layout =
        LayoutPrintedPage(page.width(), page.height(), captionHeight, picture.width(), picture.height());
    painter.drawText(QRect(layout.caption.left, layout.caption.top, layout.caption.width, layout.caption.height),
                     Qt::AlignHCenter | Qt::AlignVCenter, caption);
    // Pixels stay pixels: no smoothing between them.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(layout.picture.left, layout.picture.top, layout.picture.width, layout.picture.height),
                      picture);
    return painter.end();
}

void RunPrintDialog() {
    QPrintDialog dialog(&ProgramPrinter(), MainWindowWidget());
    dialog.setWindowTitle("Print");
    if (dialog.exec() != QDialog::Accepted) return;
    PrintPicture(ProgramPrinter(), LoadDisplayBitmap(), QString::fromStdString(CurrentWindowCaption()));
}

void RunPageSetupDialog() {
    QPageSetupDialog dialog(&ProgramPrinter(), MainWindowWidget());
    dialog.setWindowTitle("Print Setup");
    dialog.exec();
}
