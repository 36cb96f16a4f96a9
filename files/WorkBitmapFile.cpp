#include "WorkBitmapFile.h"

#include "core/Groups.h"
#include "core/Overlay.h"

QString workBitmapFileName(const QString& photoFileName)
{
    return photoFileName.left(std::max<qsizetype>(photoFileName.size() - 4, 0)) + QStringLiteral(".bmp");
}

void saveWorkBitmap(const Document& doc)
{
    writeBmpFile(doc.workBitmap, workBitmapFileName(doc.photoFileName));
}

void loadWorkBitmap(Document& doc)
{
    doc.workBitmap = readBmpFile(workBitmapFileName(doc.photoFileName));
    doc.workflowStep = 2;
    doc.blackShown = false;
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    toggleBlackOverlay(doc);
}
