// Image lists: pictures of one size kept in order, as tool bars and menus
// use them. TCustomImageList is the base the component library extends.
#pragma once

#include "platform/Components.h"
#include "platform/Graphics.h"

#include <QImage>
#include <functional>
#include <map>
#include <vector>

namespace platform {

class TCustomImageList : public TComponent {
    RBK_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent *AOwner);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    void SetWidth(int value);
    int Height() const { return height_; }
    void SetHeight(int value);
    int Count() const { return static_cast<int>(images_.size()); }

    // Adds a picture (scaled to the list's size when it differs); returns
    // its index. AddMasked makes the mask colour transparent.
    int Add(const QImage &image);
    int AddMasked(const QImage &image, TColor maskColor);
    void Delete(int index);
    void Clear();
    // The picture at an index (a null image outside the list).
    QImage Image(int index) const;
    // Copies the picture into a bitmap; false outside the list.
    bool GetBitmap(int index, TBitmap &bitmap) const;
    void Draw(TCanvas &canvas, int x, int y, int index, bool enabled = true) const;

    // Fires OnChange and tells every registered listener.
    virtual void Change();
    TNotifyEvent OnChange;
    // A client registers for changes; `gone`, when given, runs as the list is
    // destroyed while the client is still registered (as the class library's
    // change links are cut), so that the client forgets the list. Free
    // notification cannot do that for a list that shares the client's owner:
    // an owner destroys its components without telling them of each other.
    void RegisterChanges(const void *key, std::function<void()> listener, std::function<void()> gone = {});
    void UnRegisterChanges(const void *key);

private:
    struct Client {
        std::function<void()> changed;
        std::function<void()> gone;
    };
    int width_ = 16;
    int height_ = 16;
    std::vector<QImage> images_;
    std::map<const void *, Client> listeners_;
};

class TImageList : public TCustomImageList {
    RBK_CLASS(TImageList, TCustomImageList)
public:
    explicit TImageList(TComponent *AOwner) : TCustomImageList(AOwner) {}
};

} // namespace platform
