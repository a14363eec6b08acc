#include "GstStreamRedirects.h"

#include "Networking/UrlSession.h"
#include "Platform/QueuePlayer.h"

#include <gst/gst.h>

#include <algorithm>
#include <mutex>

namespace {

constexpr auto GuardedSource = "souphttpsrc";

bool isGuarded(GstElementFactory *factory)
{
    return factory && qstrcmp(GST_OBJECT_NAME(factory), GuardedSource) == 0;
}

bool readsHttp(GstElementFactory *factory)
{
    if (gst_element_factory_get_uri_type(factory) != GST_URI_SRC)
        return false;
    const gchar *const *protocols = gst_element_factory_get_uri_protocols(factory);
    for (; protocols && *protocols; ++protocols) {
        if (g_ascii_strcasecmp(*protocols, "http") == 0 || g_ascii_strcasecmp(*protocols, "https") == 0)
            return true;
    }
    return false;
}

// The one Location of an answer's headers, whatever case its name was sent
// in; none when there is none or more than one.
QByteArray locationOf(const GstStructure *response)
{
    QByteArray location;
    int found = 0;
    for (int i = 0; i < gst_structure_n_fields(response); ++i) {
        const char *name = gst_structure_nth_field_name(response, guint(i));
        if (g_ascii_strcasecmp(name, "Location") != 0)
            continue;
        ++found;
        // Repeated, the header is a list.
        if (const char *value = gst_structure_get_string(response, name))
            location = value;
    }
    return found == 1 ? location : QByteArray();
}

} // namespace

void GstStreamRedirects::removeOtherHttpSources()
{
    static std::once_flag once;
    std::call_once(once, [] {
        GstRegistry *registry = gst_registry_get();
        GList *factories = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_SRC, GST_RANK_NONE);
        for (GList *entry = factories; entry; entry = entry->next) {
            auto *factory = GST_ELEMENT_FACTORY(entry->data);
            if (readsHttp(factory) && !isGuarded(factory))
                gst_registry_remove_feature(registry, GST_PLUGIN_FEATURE(factory));
        }
        gst_plugin_feature_list_free(factories);
    });
}

void GstStreamRedirects::setUpSource(GstElement *source)
{
    if (isGuarded(gst_element_get_factory(source)))
        g_object_set(source, "automatic-redirect", FALSE, nullptr);
}

QUrl GstStreamRedirects::location(const QueuePlayerItemPtr &item) const
{
    for (const Followed &followed : m_followed) {
        if (followed.item.lock() == item)
            return followed.location;
    }
    return item->url();
}

void GstStreamRedirects::noteAnswer(GstMessage *headers)
{
    Answer answer;
    answer.source = GST_MESSAGE_SRC(headers);
    const GstStructure *fields = gst_message_get_structure(headers);
    guint status = 0;
    if (fields && gst_structure_get_uint(fields, "http-status-code", &status))
        answer.status = int(status);
    if (const char *uri = fields ? gst_structure_get_string(fields, "uri") : nullptr)
        answer.request = QUrl::fromEncoded(uri);
    const GValue *response = fields ? gst_structure_get_value(fields, "response-headers") : nullptr;
    if (response && GST_VALUE_HOLDS_STRUCTURE(response))
        answer.location = locationOf(gst_value_get_structure(response));
    // The current item's source and the next one's may answer at the same
    // time; none but the latest of each matters.
    m_answers.removeIf([&answer](const Answer &noted) { return noted.source == answer.source; });
    if (m_answers.size() == QueuePlayer::MaxItems)
        m_answers.removeFirst();
    m_answers.append(answer);
}

bool GstStreamRedirects::follow(const QueuePlayerItemPtr &item, GstMessage *error)
{
    const auto noted = std::find_if(m_answers.cbegin(), m_answers.cend(),
        [error](const Answer &answer) { return answer.source == GST_MESSAGE_SRC(error); });
    if (noted == m_answers.cend())
        return false;
    const Answer answer = *noted;
    m_answers.erase(noted);
    if (!item || answer.request != location(item) || !UrlSession::isRedirect(answer.status)
        || answer.location.isEmpty())
        return false;

    m_followed.removeIf([](const Followed &followed) { return followed.item.expired(); });
    auto known = std::find_if(m_followed.begin(), m_followed.end(),
        [&item](const Followed &followed) { return followed.item.lock() == item; });
    if (known != m_followed.end() && known->hops >= UrlSession::RedirectLimit)
        return false;
    QUrl target;
    try {
        target = UrlSession::redirectTarget(location(item), answer.location);
    } catch (const TransportError &) {
        return false;
    }
    if (known == m_followed.end())
        m_followed.append({item, target, 1});
    else
        *known = {item, target, known->hops + 1};
    return true;
}

void GstStreamRedirects::refetch(GstMessage *error, const QUrl &location)
{
    // playbin takes an error that names a "redirect-location" as a redirect
    // of the item it opens, and swallows it.
    GstElement *source = GST_ELEMENT(GST_MESSAGE_SRC(error));
    GError *reason = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ, "Redirected");
    GstStructure *details = gst_structure_new(
        "redirect", "redirect-location", G_TYPE_STRING, location.toEncoded().constData(), nullptr);
    gst_element_post_message(
        source, gst_message_new_error_with_details(GST_OBJECT(source), reason, nullptr, details));
    g_error_free(reason);
}
