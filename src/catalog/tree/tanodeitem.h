#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace Tarvo::Catalog {

class TNodeItem;

// An item of a lazily filled tree (plain objects, not controls). It owns its children:
// they are made while a level is enumerated and freed with it.
class TANodeItem
{
public:
    TANodeItem();
    virtual ~TANodeItem();
    TANodeItem(const TANodeItem&) = delete;
    TANodeItem& operator=(const TANodeItem&) = delete;

    virtual TANodeItem* parentItem() const { return nullptr; }
    // Enumeration of the children: open, then take items until eof.
    virtual void openChildren() {}
    virtual bool eof() const { return true; }
    // The next child (appended to the children) and its caption.
    virtual TNodeItem* nextChild(QString* caption)
    {
        Q_UNUSED(caption);
        return nullptr;
    }
    virtual int imageIndex() const { return -1; }

    const std::vector<std::unique_ptr<TNodeItem>>& children() const { return m_children; }
    void clearChildren();

protected:
    friend class TNodeItem;
    TNodeItem* adopt(std::unique_ptr<TNodeItem> child);
    std::unique_ptr<TNodeItem> release(TNodeItem* child);

private:
    std::vector<std::unique_ptr<TNodeItem>> m_children;
};

} // namespace Tarvo::Catalog
