#pragma once
// The single-document start of a window: a document, a frame window and one view that
// fills the frame, created in that order by a template, after which the view's
// OnInitialUpdate runs. Frames and views are created with new and delete themselves when
// their windows are gone; the template owns the document.
#include <windows.h>

#include <memory>
#include <string>

#include "framework/Wnd.h"

class CDocument {
public:
    CDocument() = default;
    virtual ~CDocument() = default;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    virtual BOOL OnNewDocument();
    // Documents here hold nothing that comes from a file: opening one fails.
    virtual BOOL OnOpenDocument(const wchar_t* path);
};

class CView;
class CFrameWnd;

using CViewFactory = CView* (*)();

// What a frame needs to create its view.
struct CCreateContext {
    CDocument* m_pCurrentDoc = nullptr;
    CViewFactory m_pNewView = nullptr;
};

class CView : public CWnd {
public:
    CView() = default;

    // The view's window: a child filling its frame's client area, id 0xE900.
    BOOL Create(CFrameWnd* frame, CCreateContext* context);
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual void OnInitialUpdate();

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;

protected:
    // WM_CREATE: -1 ends the creation.
    virtual int OnCreate(LPCREATESTRUCTW cs);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    CDocument* m_pDocument = nullptr;
};

class CFrameWnd : public CWnd {
public:
    static constexpr UINT kViewId = 0xE900;

    CFrameWnd() = default;

    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    // Creates the frame (and, from the context, its view); FALSE when it could not be.
    BOOL LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context);
    CView* GetActiveView() const { return m_pViewActive; }
    // Lays the view over the whole client area.
    virtual void RecalcLayout();

protected:
    // WM_CREATE: creates the view. -1 ends the creation.
    virtual int OnCreate(LPCREATESTRUCTW cs);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    UINT m_nIDResource = 0;

private:
    CCreateContext* m_pPendingContext = nullptr;
    CView* m_pViewActive = nullptr;
};

using CDocumentFactory = CDocument* (*)();
using CFrameFactory = CFrameWnd* (*)();

template <typename T, typename Base>
Base* AfxNewObject() {
    return new T;
}

class CSingleDocTemplate {
public:
    CSingleDocTemplate(UINT resourceId, CDocumentFactory newDocument, CFrameFactory newFrame, CViewFactory newView);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // The classes of a template, as a constructor call reads them.
    template <typename Document, typename Frame, typename View>
    static CSingleDocTemplate* New(UINT resourceId) {
        return new CSingleDocTemplate(resourceId, &AfxNewObject<Document, CDocument>, &AfxNewObject<Frame, CFrameWnd>,
                                      &AfxNewObject<View, CView>);
    }

    // A new document (path null) or one opened from path: document, frame, view, then
    // the view's OnInitialUpdate. The frame becomes the main window when there is none.
    // Null when any step failed (whatever was created is gone again).
    CDocument* OpenDocumentFile(const wchar_t* path);
    CDocument* GetDocument() const { return m_document.get(); }

private:
    UINT m_nIDResource;
    CDocumentFactory m_newDocument;
    CFrameFactory m_newFrame;
    CViewFactory m_newView;
    std::unique_ptr<CDocument> m_document;
};

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen };
    ShellCommand m_nShellCommand = FileNew;
    std::wstring m_strFileName;
    // Called for each argument after the program; flags begin with "/" or "-" and are
    // left to the application. The first other argument names a file to open.
    virtual ~CCommandLineInfo() = default;
    virtual void ParseParam(const wchar_t* param, BOOL flag, BOOL last);
};
