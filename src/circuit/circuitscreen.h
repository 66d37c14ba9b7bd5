#pragma once

#include "brokerlink.h"
#include "roomtopics.h"

namespace zentrel {

// The screen of a room that reads `topics`, run on the link's thread: topics of `ignored`
// kinds dropped unseen, foreign ones (and ids that are no client id) rejected, and with a key
// every signed payload checked. A retained payload signed too long ago is dropped unseen: it
// tells of a session that has ended, not of a clock skew.
BrokerLink::Screen circuitScreen(const RoomTopics &topics, const QByteArray &key,
                                 QList<TopicKind> ignored);

} // namespace zentrel
