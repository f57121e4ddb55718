package chat.server;

import java.util.ArrayDeque;
import java.util.Deque;
import java.util.HashMap;
import java.util.Map;

/**
 * Refuses a user's message once they sent too many within a time window.
 */
public class SpamFilter {
    private final int limit;
    private final long windowMillis;
    private final Map<String, Deque<Long>> recent = new HashMap<>();

    public SpamFilter(int limit, long windowMillis) {
        this.limit = limit;
        this.windowMillis = windowMillis;
    }

    public synchronized boolean accept(String user, long time) {
        Deque<Long> times = recent.computeIfAbsent(user, u -> new ArrayDeque<>());
        while (!times.isEmpty() && time - times.peekFirst() >= windowMillis) {
            times.removeFirst();
        }
        if (times.size() >= limit) {
            return false;
        }
        times.addLast(time);
        return true;
    }
}
