// Panels, bevels, images, splitters and timers.
//
// TPanel: a container with a caption drawn in its middle, raised outer
// bevel by default; its children are aligned inside the bevels and border.
// TSplitter: dragging it resizes the control aligned just before it (above
// a top-aligned splitter, left of a left-aligned one ...), never below
// MinSize; a disabled splitter does not move. TTimer: fires OnTimer every
// Interval milliseconds while Enabled, Interval > 0 and OnTimer is assigned
// (an exception in the handler goes to the application object).
#pragma once

#include "platform/Controls.h"

#include <QImage>

class QTimer;

namespace platform {

enum class TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
using enum TBevelCut;
enum class TBorderStyle : uint8_t { bsNone, bsSingle };

class TPanel : public TWinControl {
    RBK_CLASS(TPanel, TWinControl)
public:
    explicit TPanel(TComponent *AOwner);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TRect AlignRect() const override;

protected:
    void captionChanged() override { Invalidate(); }
    void colorChanged() override { Invalidate(); }

private:
    friend class PanelWidget;
    void paint(QPainter &p);
    void changedFrame();
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    TAlignment alignment_ = taCenter;
};

enum class TBevelShape : uint8_t { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle : uint8_t { bsLowered, bsRaised };

class TBevel : public TControl {
    RBK_CLASS(TBevel, TControl)
public:
    explicit TBevel(TComponent *AOwner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);

private:
    friend class BevelWidget;
    void paint(QPainter &p);
    TBevelShape shape_ = TBevelShape::bsBox;
    TBevelStyle style_ = TBevelStyle::bsLowered;
};

// A picture. Transparent: the picture's bottom-left pixel colour is not
// drawn. Center and Stretch place it; otherwise it sits at the top left.
class TImage : public TControl {
    RBK_CLASS(TImage, TControl)
public:
    explicit TImage(TComponent *AOwner);
    const QImage &Picture() const { return picture_; }
    void SetPicture(const QImage &image);
    // Loads any picture Qt reads; raises EFOpenError when unreadable.
    void LoadFromFile(const AnsiString &path);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // On by default for TImage in the library: off here, the size is set.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

private:
    friend class ImageWidget;
    void paint(QPainter &p);
    void prepare();
    QImage picture_;
    QImage shown_;
    bool transparent_ = false;
    bool center_ = false;
    bool stretch_ = false;
    bool autoSize_ = false;
};

class TSplitter : public TControl {
    RBK_CLASS(TSplitter, TControl)
public:
    explicit TSplitter(TComponent *AOwner);
    int MinSize() const { return minSize_; }
    void SetMinSize(int value) { minSize_ = value; }
    TNotifyEvent OnMoved;
    // The control the splitter resizes (nil when none).
    TControl *FindControl() const;

protected:
    void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void DoMouseMove(TShiftState shift, int x, int y) override;
    void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool clicksOnMouseUp() const override { return false; }

private:
    void alignChanged();
    int minSize_ = 30;
    bool dragging_ = false;
    TPoint start_;
    int startSize_ = 0;
    TControl *target_ = nullptr;
};

class TTimer : public TComponent {
    RBK_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent *AOwner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    int Interval() const { return interval_; }
    void SetInterval(int value);
    // Assign through SetOnTimer so that the timer starts or stops.
    const TNotifyEvent &OnTimer() const { return onTimer_; }
    void SetOnTimer(const TNotifyEvent &value);

private:
    void update();
    QTimer *timer_;
    bool enabled_ = true;
    int interval_ = 1000;
    TNotifyEvent onTimer_;
};

} // namespace platform
