#pragma once

#include "core/UsrFmt.h"

#include <QString>

#include <array>
#include <memory>
#include <vector>

class PageDocument;
class StagedWriter;

// The HTML converter: turns a page, through the editor layer's own HTML export, into clean
// indented HTML with a class style sheet and a page head, in one of five document types.
//
// Every publisher goes through three calls:
//   - SetKaHtm() (or setDocumentType()) and E_Opt() once per run;
//   - cSaveHtm() writes one finished page file (job 0 a single page in the database's type,
//     job 1 a plain page of the frame site, job 2 an XHTML 1.1 page of an EPUB book, its pictures
//     moved into "Images" beside it);
//   - cGetHtm() gives the style element and the inner body of a page for the site writer's template.
// HsFName()/HsFNameX() name page files and their web addresses; SetDTD() applies the document type
// to a finished page text.
//
// One instance serves the program (instance()); it reads the user text formats and the publication
// context of the open database at each call. A publisher that converts pages on several threads
// gives each thread its own yHtm with a fixed Context (setContext()): an instance is not reentrant,
// but instances share nothing.
class yHtm
{
public:
    // What a conversion reads of the open database.
    struct Context {
        std::array<UsrFmt, 8> usrFmt;   // user text formats 0-7 (0-2 headings, 3 body text)
        float lineFactor = 1.2f;        // line spacing, 1.5 = 150 %
        int homeKind = 0;               // 0 none, 1, 2 (pages under "pub/")
        QString homeAddress;            // empty or ending with "/"
        QString htmList;                // custom page names: number TAB name CR per line
        QString outputSet;              // pages of the current run: ".1001.1005."
        QString userData;               // user-data folder ending with "/"
        QString dbName;                 // base name of the open database
        QString dbFolder;               // folder of the open database: relative link paths lie there
        // The run's own folder (the site's work folder, the book's): copies of linked files go below
        // it and nowhere else. Empty: the folder of the page being written.
        QString outputFolder;
        // Where the run's folder is put in place once written: a linked file there keeps its place.
        QString siteFolder;
        // The placements a site run writes, ".1001.1004_1010." (page, or parent_page for a link
        // placement); empty when not known. A tag to any other keeps its text without its link.
        QString sitePages;
    };

    // One record of the tag table: a tag or a text run of the page body.
    struct TagRec {
        QString name;       // lower-case tag name, "/div" for a closing tag, "val" for text, "###" frame
        int kind = 0;       // 1 opening tag with a partner, 0 text or void tag, -1 closing tag
        int skip = 0;       // -1 removed
        QString attributes; // attributes without style
        QString style;      // value of the style attribute
        QString cls;        // class name given by the class pass
        QString raw;        // the token as written; a table's column width list after FixTable
        int level = 0;      // indentation level
    };

    yHtm();
    ~yHtm();
    static yHtm &instance();

    // Fixes the context (no more reading of the open database's values at each call).
    void setContext(const Context &context);
    // The open database's values as the program's converter reads them now.
    static Context programContext();
    // A run that writes into a work folder put in place whole (or packed) once complete needs no
    // safe replacing of each page: its pages are written through a StagedWriter, and the run ends
    // with one StagedWriter::flushFolder() instead of a flush per page.
    void setWorkFolderRun(bool on);
    // Writes a file of the work-folder run (see StagedWriter); straight outside such a run.
    bool writeWorkFile(const QString &file, const QByteArray &bytes);
    const Context &context() const { return m_ctx; }

    // ---- frame ----
    void cOn(const QString &sWph);           // work folder for the reference driver
    void cOff();                             // erases the tag table and the class list
    void E_Opt(int yTf, int yNt);            // fit tables, no italic (1 = on)

    // ---- settings, file names, document types ----
    // Loads document type, image-folder mode and name from kaUsr (with bSite the site folders and
    // the custom-name list too).
    void SetKaHtm(bool bSite);
    int documentType() const { return m_iDtd; }
    void setDocumentType(int type) { m_iDtd = type; }
    QString HsFName(const QString &sNoP, QString &sNoC, int yLnk, bool bHp) const;
    QString HsFNameX(const QString &sNoP, QString &sNoC) const;
    // The path of a page below the site root, from its own tbHtm row: "/" + name for a page of the
    // root, else "/pub/" + name. A child "parent_page" names a link placement and sets vLnk to 1.
    QString HsFName2(const QString &vNoP, const QString &vNoC, int &vLnk) const;
    // Head values of the next conversions; double quotes become blanks.
    void HtmHd(const QString &sTT, const QString &sDs, const QString &sKw, const QString &sCp,
               bool bPg, int yNn, int yTb);
    QString title() const { return m_sTtl; }
    // True: the full conversion leaves the picture files of its export where they are.
    void P_NoPic(bool bNoPc) { m_bNoPic = bNoPc; }
    // Applies the document type to a finished page (DOCTYPE, void tags, line breaks).
    void SetDTD(QString &sHtm) const;
    static void T_HtmMoji(QString &sWd);

    // ---- page output ----
    // Exports `page` into sFL and gives the style element and the HTML between <body> and </body>.
    // sTp: tooltip list (field text TAB phrase CR per tooltip field).
    void cGetHtm(const PageDocument &xTx, const QString &sFL, const QString &sTp, QString &sCss,
                 QString &sBd, bool &bOk);
    // Writes the finished page file sFL (UTF-8 with byte-order mark). Job 1 writes a plain page,
    // job 2 XHTML 1.1 with pictures in "Images"; the document type is restored afterwards.
    void cSaveHtm(const PageDocument &xTx, bool bPng, const QString &sFL, const QString &sTp,
                  const QString &sTL, int iJb, bool &bOk);
    // The same from an export text already written (the editor's dialect): the page text that
    // cSaveHtm would write, without touching any file but the link targets it copies. Used by
    // cSaveHtm, tests and the fuzz target.
    QString convertExport(const QString &exportText, const QString &sFL, const QString &sTp,
                          const QString &sTL, int iJb);
    // The reference driver: head and body of a page from an export in the work folder.
    void CnvHtml(const PageDocument &xTx, const QString &sFL, QString &sHd, QString &sBd,
                 const QString &sTp, bool &bOk);

    // ---- passes (public for tests; each works on the tag table) ----
    void SetTagTbl(QString &sBd, const QString &sFL, const QString &sBase);
    void FixTable();
    void FixCell();
    void JoinTable();
    void DelTdInh();
    void CnvTip(const QString &sTpStyle, const QString &sTp);
    void AttrToCss();
    void DelSpanImg();
    void DelEmpty();
    void DelSpanSp();
    void MrgDivSpan();
    void DelBare();
    void DelImgWrap();
    void FixList();
    void DelUlInh();
    void SetHdLvl();
    void MarkHeadings();
    void SetCls(QString &sCls);
    void SetIndLvl();
    QString WrtBody();
    void WrtSheet(QString &sCls);
    void WrtHead(QString &sBd, QString &sHd, const QString &sCls);
    static QString DelBlank(const QString &text);
    void CollectClasses(QString &sCls);
    QString BuildStyleBlock(const QString &sCls, const QString &styleA) const;
    void BuildTipStyles(QString &a, QString &b) const;
    int FindNext(int &index, const QString &name, int step) const;
    bool holdsList(int li) const;

    std::vector<TagRec> &tags() { return m_tags; }

    // ---- style text (static: no state) ----
    static void MergeStyle(QString &target, const QString &added);
    static void MergeStyleFront(QString &first, const QString &second, int mode);
    static void RemoveDecls(QString &style, const QString &list);
    static void RemoveProp(QString &text, const QString &name);
    static void AttrToStyle(QString &attrs, QString &style, const QString &attr, const QString &css);
    static void MatchWidth(const QString &first, QString &second, bool &same);
    static QString ColGroup(const QString &list);
    static QString ColorToHex(qint32 color);
    void FontSizeToPercent(QString &style) const;
    void ClassFor(const QString &tag, QString style, QString &sheet, QString &cls) const;
    QString AppendClassRules(const QString &head, const QString &sheet) const;

    // ---- link and picture paths ----
    void RewriteHref(const QString &sFL, const QString &sBase, QString &attrs) const;
    static void ResolveBase(const QString &base, QString &href);
    static QString ToLocalPath(const QString &href);
    void MakeRelative(const QString &base, QString &target) const;
    QString runFolder(const QString &pageFolder) const;
    bool PlaceLinkedFile(const QString &pageFolder, QString &t) const;

    static void T_DecEnt(QString &text);

    // Reads the open database's formats and publication values again (each conversion does; a
    // converter with a fixed Context keeps it).
    void refresh();
    // UTF-8 with a byte-order mark: in a work folder written straight, else replaced whole or not at all.
    bool writeUtf8(const QString &file, const QString &text);

private:
    void SplitPSpan(QString &para) const;
    void CnvFrame(QString &body, const QString &sFL) const;
    void CnvFrameX(QString &body) const;
    void SetFmtCss();
    void MovePictures(QString &body, const QString &base, const QString &sFL);
    // `listStart`: the page's document type has the start attribute of numbered lists.
    bool ExportEditorHtml(const PageDocument &page, const QString &file, bool png, QString &head, QString &body,
                          QString &base, bool listStart, const QString &sharedPictures = QString()) const;
    bool listStartAllowed() const { return m_iDtd == 0 || m_iDtd == 2 || m_iDtd == 5; }
    QString pageFromBody(QString body, const QString &sFL, const QString &sBase, const QString &sTp,
                         const QString &sTL);
    static void FixPictureSrc(QString &body, const QString &file);
    QString BuildHead(QString &body, const QString &style, const QString &title) const;

    Context m_ctx;
    bool m_followGlobals = true;
    bool m_workFolderRun = false;
    std::unique_ptr<StagedWriter> m_staged; // during a work-folder run
    std::vector<TagRec> m_tags;
    int m_yTbF = 0;         // fit tables
    int m_yNit = 0;         // no italic
    std::array<QString, 16> m_fmtCss;
    int m_iDtd = 0;
    int m_iPfold = 1;
    QString m_sPfold = QStringLiteral("Images");
    bool m_bFav = false;
    QString m_sPubFd;
    QString m_sTtl, m_sDsc, m_sKwd, m_sCpy;
    bool m_bPng = false;
    int m_yNnx = 0;
    bool m_bNoPic = false;
    QString m_sWph;
};
