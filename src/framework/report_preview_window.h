#pragma once
// REPORTPREVIEW: the print preview of a report's kept pages, with its dialogs
// PREVIEW:JUMPTOPAGE and PREVIEW:SELECTDISPLAY. Pages show as a grid of thumbnails (1..10
// across and down) or one zoomed page; the user leaves with Print or Exit.
#include "framework/report_engine.h"

#include <QDialog>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QSpinBox;
class QToolButton;
class PageThumbnail;

class ReportPreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    enum Zoom : BYTE { ZoomNoZoom, ZoomPageWidth, Zoom50, Zoom75, Zoom100, Zoom200, Zoom300 };

    explicit ReportPreviewWindow(std::shared_ptr<const ReportDocument> document, QWidget *parent = nullptr);
    ~ReportPreviewWindow() override;

    LONG CURRENTPAGE = 1;
    LONG IMAGECOUNT = 0;
    LONG PAGESACROSS = 1, PAGESDOWN = 1;
    LONG DISPLAYEDPAGESACROSS = 0, DISPLAYEDPAGESDOWN = 0;
    LONG IMAGEWIDTH = 0, IMAGEHEIGHT = 0;
    REAL IMAGEASPECTRATIO = 1;
    REAL ZOOMMODIFIER = 1;
    BYTE RETURNVALUE = 0;
    Zoom zoom() const { return m_zoom; }
    const ReportDocument &document() const { return *m_doc; }

    QString pageInfoText() const; // status zone 2
    QString zoomText() const;     // status zone 3

    void getNextPage();  // GETNEXTPAGE
    void getPrevPage();  // GETPREVPAGE
    void setZoom(Zoom z);
    void zoomThumbnail(int k); // a left click on thumbnail k (from 1)
    void setGrid(LONG across, LONG down);
    void jumpToPage();    // opens PREVIEW:JUMPTOPAGE
    void selectDisplay(); // opens PREVIEW:SELECTDISPLAY
    // Print: closes the preview to print; without a printer it says so, offers a PDF file
    // instead and stays.
    void printAndClose();
    void exitWithoutPrinting();
    // "Сохранить в PDF...": writes the pages to `path`; false (after a message) on failure.
    bool saveAsPdf(const QString &path);
    // Asks for the file's name, then saves; false when cancelled or not written.
    bool chooseAndSavePdf();

signals:
    // Once, when the window closes: true after Print.
    void finished(bool print);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void CHANGEDISPLAY();
    void CREATETHUMBNAILS();
    void DESTROYTHUMBNAILS();
    void POSITIONTHUMBNAILS();
    void FILLTHUMBNAILS();
    void CREATEZOOMCONTROL();
    void DESTROYZOOMCONTROL();
    void CONFIGUREZOOMRATIO();
    void FILLZOOMCONTROL();
    void refreshControls();
    int thumbnailCount() const { return int(m_thumbs.size()); }
    double dluX() const;
    double dluY() const;

    std::shared_ptr<const ReportDocument> m_doc;
    Zoom m_zoom = ZoomNoZoom;
    bool m_finishedSent = false;
    bool m_updating = false;
    QWidget *m_area = nullptr;
    std::vector<PageThumbnail *> m_thumbs;
    QScrollArea *m_zoomArea = nullptr;
    QLabel *m_zoomImage = nullptr;
    QSpinBox *m_pageSpin = nullptr, *m_acrossSpin = nullptr, *m_downSpin = nullptr;
    QLabel *m_zone1 = nullptr, *m_zone2 = nullptr, *m_zone3 = nullptr;
    QMenu *m_viewMenu = nullptr;
    QAction *m_next = nullptr, *m_prev = nullptr;
    std::vector<QAction *> m_zoomActions;   // menu items, by Zoom
    std::vector<QAction *> m_zoomPopup;     // the Zoom button's popup, by Zoom
};

// PREVIEW:JUMPTOPAGE. Shown without blocking; `done` gets the page chosen, or the current
// page on Cancel.
QDialog *PREVIEW_JUMPTOPAGE(LONG currentPage, LONG pageCount, std::function<void(LONG)> done);
// PREVIEW:SELECTDISPLAY. `done` gets the values across and down when OK is pressed or the
// dialog is closed.
QDialog *PREVIEW_SELECTDISPLAY(LONG across, LONG down, std::function<void(LONG, LONG)> done);
