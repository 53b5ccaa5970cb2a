// Printing on the desktop: where the external print utility cannot be
// started, "&Print..." and "P&rint setup..." use the desktop's print and page
// set-up dialogs and print the displayed picture.
#pragma once
#include <QImage>
#include <QString>

class QPrinter;

// The printer the two commands share for the program's lifetime.
QPrinter& ProgramPrinter();
// Prints one page: the caption across the top, the picture below it scaled
// to the page with its aspect kept. False when there is nothing to print or
// the printer cannot start.
bool PrintPicture(QPrinter& printer, const QImage& picture, const QString& caption);
// The displayed picture with the window's caption, after the print dialog.
void RunPrintDialog();
void RunPageSetupDialog();
