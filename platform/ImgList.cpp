#include "platform/ImgList.h"

#include <algorithm>

namespace platform {

// ------------------------------------------------------------ change links

TChangeLink::~TChangeLink()
{
    if (sender_ != nullptr)
        sender_->UnRegisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange)
        OnChange(static_cast<TObject *>(sender_));
}

// -------------------------------------------------------------- image list

TCustomImageList::TCustomImageList(TComponent *AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList()
{
    Destroying();
    while (!links_.empty())
        UnRegisterChanges(links_.back());
}

void TCustomImageList::Assign(TPersistent *Source)
{
    auto *src = dynamic_cast<TCustomImageList *>(Source);
    if (src == nullptr) {
        TComponent::Assign(Source);
        return;
    }
    if (src == this)
        return;
    width_ = src->width_;
    height_ = src->height_;
    images_ = src->images_;
    drawingStyle_ = src->drawingStyle_;
    imageType_ = src->imageType_;
    bkColor_ = src->bkColor_;
    blendColor_ = src->blendColor_;
    Change();
}

void TCustomImageList::SetWidth(int value)
{
    if (value > 0 && value != width_) {
        width_ = value;
        Clear();
    }
}

void TCustomImageList::SetHeight(int value)
{
    if (value > 0 && value != height_) {
        height_ = value;
        Clear();
    }
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle value)
{
    if (value != drawingStyle_) {
        drawingStyle_ = value;
        Change();
    }
}

void TCustomImageList::SetImageType(TImageType value)
{
    if (value != imageType_) {
        imageType_ = value;
        Change();
    }
}

void TCustomImageList::SetBkColor(TColor value)
{
    if (value != bkColor_) {
        bkColor_ = value;
        Change();
    }
}

void TCustomImageList::SetBlendColor(TColor value)
{
    if (value != blendColor_) {
        blendColor_ = value;
        Change();
    }
}

int TCustomImageList::Add(const QImage &image)
{
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    if (img.width() != width_ || img.height() != height_)
        img = img.scaled(width_, height_);
    images_.push_back(img);
    Change();
    return Count() - 1;
}

int TCustomImageList::AddMasked(const QImage &image, TColor maskColor)
{
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = TColorToQColor(maskColor).rgb();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (key & 0xFFFFFF))
                img.setPixel(x, y, qRgba(0, 0, 0, 0));
    return Add(img);
}

void TCustomImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    images_.erase(images_.begin() + index);
    Change();
}

void TCustomImageList::Clear()
{
    images_.clear();
    Change();
}

QImage TCustomImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? images_[size_t(index)] : QImage();
}

bool TCustomImageList::GetBitmap(int index, TBitmap &bitmap) const
{
    if (index < 0 || index >= Count())
        return false;
    bitmap.LoadFromImage(images_[size_t(index)]);
    return true;
}

void TCustomImageList::Draw(TCanvas &canvas, int x, int y, int index, bool enabled) const
{
    QImage img = Image(index);
    if (img.isNull())
        return;
    if (imageType_ == itMask) {
        // White where the picture lets the background through.
        QImage mask(img.size(), QImage::Format_RGB32);
        for (int yy = 0; yy < img.height(); ++yy)
            for (int xx = 0; xx < img.width(); ++xx)
                mask.setPixel(xx, yy, qAlpha(img.pixel(xx, yy)) < 128 ? 0xFFFFFFFFu : 0xFF000000u);
        canvas.Draw(x, y, mask);
        return;
    }
    if (!enabled) {
        QImage grey = img.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_ARGB32);
        grey.setAlphaChannel(img.convertToFormat(QImage::Format_Alpha8));
        img = grey;
    }
    switch (drawingStyle_) {
    case dsTransparent:
        break;
    case dsNormal:
    case dsSelected:
    case dsFocus: {
        if (drawingStyle_ == dsNormal && bkColor_ == clNone)
            break;
        QImage composed(img.size(), QImage::Format_ARGB32);
        composed.fill(bkColor_ == clNone ? QColor(Qt::transparent) : TColorToQColor(ColorToRGB(bkColor_)));
        {
            QPainter p(&composed);
            p.drawImage(0, 0, img);
        }
        if (drawingStyle_ != dsNormal)
            ImageListBlend(composed, blendColor_, drawingStyle_ == dsSelected);
        img = composed;
        break;
    }
    }
    canvas.Draw(x, y, img);
}

// ----------------------------------------------------------------- changes

void TCustomImageList::Change()
{
    // A handler may unregister links (its own or others') while this runs.
    const std::vector<TChangeLink *> links = links_;
    for (TChangeLink *link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->Change();
    if (OnChange)
        OnChange(this);
    auto listeners = listeners_;
    for (auto &l : listeners)
        l.second();
}

void TCustomImageList::RegisterChanges(TChangeLink *Value)
{
    if (Value == nullptr)
        return;
    if (Value->Sender() != nullptr)
        Value->Sender()->UnRegisterChanges(Value);
    Value->SetSender(this);
    links_.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink *Value)
{
    auto it = std::find(links_.begin(), links_.end(), Value);
    if (it == links_.end())
        return;
    links_.erase(it);
    Value->SetSender(nullptr);
}

void TCustomImageList::RegisterChanges(const void *key, std::function<void()> listener)
{
    listeners_[key] = std::move(listener);
}

void TCustomImageList::UnRegisterChanges(const void *key) { listeners_.erase(key); }

// ------------------------------------------------------------------ blends

void ImageListBlend(QImage &image, TColor Color, bool Half)
{
    if (image.isNull() || Color == clNone)
        return;
    const QRgb c = TColorToQColor(ColorToRGB(Color)).rgb() | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool xe = x % 2 == 0, ye = y % 2 == 0;
            if (Half ? (xe != ye) : (xe || ye))
                image.setPixel(x, y, c);
        }
}

// -------------------------------------------------- a control's two lists

TImageListPair::TImageListPair(TComponent *owner, std::function<void()> changed)
    : owner_(owner), changed_(std::move(changed))
{
    for (TChangeLink *link : {&images_, &disabled_})
        link->OnChange = TNotifyEvent::FromFunction([this](TObject *) { changed_(); });
}

void TImageListPair::set(TChangeLink &link, const TComponent *&shown, TCustomImageList *value)
{
    if (link.Sender())
        link.Sender()->UnRegisterChanges(&link);
    shown = value;
    if (value) {
        value->FreeNotification(owner_);
        value->RegisterChanges(&link);
    }
    changed_();
}

void TImageListPair::Notification(TComponent *AComponent, TOperation Operation)
{
    if (Operation != opRemove || AComponent == nullptr)
        return;
    if (AComponent == imagesShown_ || AComponent == disabledShown_) {
        if (AComponent == imagesShown_)
            imagesShown_ = nullptr;
        if (AComponent == disabledShown_)
            disabledShown_ = nullptr;
        changed_();
    }
}

void TImageListPair::Detach()
{
    for (TChangeLink *link : {&images_, &disabled_})
        if (link->Sender())
            link->Sender()->UnRegisterChanges(link);
}

} // namespace platform
