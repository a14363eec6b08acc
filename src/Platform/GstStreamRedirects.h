#pragma once

#include <QList>
#include <QUrl>

#include <memory>

#include "Platform/QueuePlayerItem.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

// The redirects of the player's streams. GStreamer's HTTP sources follow a
// redirect by themselves, wherever it leads, https to http too, and take the
// stream's signed query along: a token and salt that the server accepts again
// and again. So the one HTTP source the player uses stops at a redirect, and
// the player follows it only where a request of the URL session would go
// (UrlSession::redirectTarget): each item is fetched from where the redirects
// followed for it so far have led.
class GstStreamRedirects
{
public:
    // Takes out of this process's plugin registry every source for http or
    // https addresses but souphttpsrc, the one whose redirects the player
    // controls: the others (curlhttpsrc, neonhttpsrc, a third party's)
    // follow them by rules of their own, and GStreamer picks one of them by
    // rank, or at any rank when souphttpsrc is missing. Once, before the
    // first playbin; on the thread that starts GStreamer.
    static void removeOtherHttpSources();
    // For each source the playbin makes, on whichever thread makes it: the
    // HTTP source stops at a redirect and reports it as an error.
    static void setUpSource(GstElement *source);

    // Where `item` is fetched from.
    QUrl location(const QueuePlayerItemPtr &item) const;
    // Every "http-headers" message of a source, in bus order: the answer to
    // its request, whose Location a redirect error that follows leaves out.
    void noteAnswer(GstMessage *headers);
    // Whether `error` (a bus ERROR message) is the HTTP source stopping at a
    // redirect of `item`'s request that may be followed; if so the item is
    // fetched from its target from now on. A refused redirect, one past the
    // limit and every other error give false.
    bool follow(const QueuePlayerItemPtr &item, GstMessage *error);
    // Has the playbin open the item it was handed to play next, whose
    // source stopped at a redirect with `error`, again from `location`, as
    // it does on a redirect of its own: the current item plays on.
    static void refetch(GstMessage *error, const QUrl &location);

private:
    struct Followed
    {
        std::weak_ptr<QueuePlayerItem> item;
        QUrl location;
        int hops = 0;
    };
    // Held weakly: an item that is gone can never be mistaken for a newer one
    // that happens to share its address.
    QList<Followed> m_followed;
    // The latest answers noted: the source that got each (compared, never
    // used), the address it asked, the status and the Location, if any.
    struct Answer
    {
        const void *source = nullptr;
        QUrl request;
        int status = 0;
        QByteArray location;
    };
    QList<Answer> m_answers;
};
