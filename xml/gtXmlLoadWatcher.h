// gtXmlLoadWatcher: lets other threads read a gtXmlCompactDoc's elements while it is still being
// loaded.
//
// The loading thread calls Ready for each element of the watched depth once its subtree is
// complete and stored: from then on the element and everything under it may be read from any
// thread (Name, children, attributes, texts), except the element's own next sibling, not yet
// known. Records and texts never move during a load, so such reads need no lock. When the load
// fails, Abandon is called before the partial tree is released and must return only once no
// other thread reads it; after a successful load the tree lives on in the document.
#pragma once

class gtXmlElementRef;

class gtXmlLoadWatcher {
public:
    virtual ~gtXmlLoadWatcher() = default;

    // The depth of the elements to be told of: 1 is the document element, 2 its children...
    virtual int Depth() const = 0;
    // Called on the loading thread; must not throw.
    virtual void Ready(gtXmlElementRef element, gtXmlElementRef parent) noexcept = 0;
    // Called on the loading thread when the load fails (or throws), before the tree is freed.
    virtual void Abandon() noexcept = 0;
};
