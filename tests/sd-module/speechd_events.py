#!/usr/bin/env python3
"""A Speech Dispatcher client as screen readers are one (python3-speechd):
speaks an SSML message with marks through the kavosynth module and prints the
callbacks it receives, one a line, then cancels a long message while it is
spoken and prints those. The server is the one SPEECHD_ADDRESS names."""
import sys
import threading

import speechd

LIMIT = 30  # seconds; only a guard against a hang

client = speechd.SSIPClient("kavo-test")
events = []
changed = threading.Condition()


def callback(kind, index_mark=None):
    with changed:
        events.append(kind if index_mark is None else "%s %s" % (kind, index_mark))
        changed.notify_all()


def wait_for(kind):
    with changed:
        if not changed.wait_for(lambda: kind in events, LIMIT):
            print("timeout waiting for", kind, "after", events)
            sys.exit(1)


every = (speechd.CallbackType.BEGIN, speechd.CallbackType.END, speechd.CallbackType.CANCEL,
         speechd.CallbackType.INDEX_MARK)
client.set_output_module("kavosynth")
client.set_language("en")
client.set_data_mode(speechd.DataMode.SSML)
marks = "".join('word%d <mark name="m%d"/>' % (i, i) for i in range(5))
client.speak("<speak>%s</speak>" % marks, callback=callback, event_types=every)
wait_for(speechd.CallbackType.END)
for event in events:
    print(event)
events.clear()
client.speak("<speak>%s</speak>" % ("This sentence is long enough to be cancelled. " * 20),
             callback=callback, event_types=every)
wait_for(speechd.CallbackType.BEGIN)
client.cancel()
wait_for(speechd.CallbackType.CANCEL)
for event in events:
    print(event)
client.close()
