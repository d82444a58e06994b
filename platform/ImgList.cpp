#include "platform/ImgList.h"

namespace platform {

TCustomImageList::TCustomImageList(TComponent *AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList()
{
    Destroying();
    while (!listeners_.empty()) {
        const auto first = listeners_.begin();
        const std::function<void()> gone = std::move(first->second.gone);
        listeners_.erase(first);
        if (gone)
            gone();
    }
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
    if (!enabled) {
        QImage grey = img.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_ARGB32);
        grey.setAlphaChannel(img.convertToFormat(QImage::Format_Alpha8));
        img = grey;
    }
    canvas.Draw(x, y, img);
}

void TCustomImageList::Change()
{
    if (OnChange)
        OnChange(this);
    auto listeners = listeners_;
    for (auto &l : listeners)
        if (l.second.changed)
            l.second.changed();
}

void TCustomImageList::RegisterChanges(const void *key, std::function<void()> listener, std::function<void()> gone)
{
    listeners_[key] = Client{std::move(listener), std::move(gone)};
}

void TCustomImageList::UnRegisterChanges(const void *key) { listeners_.erase(key); }

} // namespace platform
