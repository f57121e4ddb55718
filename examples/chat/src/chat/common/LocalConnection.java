package chat.common;

import java.io.InterruptedIOException;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.LinkedBlockingQueue;

/**
 * An in-process connection, for running server and clients in one JVM.
 */
public class LocalConnection implements Connection {
    /** Sent by close(); NULs are removed from chat lines, so it cannot be confused. */
    private static final String CLOSED = "\u0000";

    private final BlockingQueue<String> incoming;
    private final BlockingQueue<String> outgoing;

    private LocalConnection(BlockingQueue<String> incoming, BlockingQueue<String> outgoing) {
        this.incoming = incoming;
        this.outgoing = outgoing;
    }

    /** Two connected ends: what one end sends, the other one reads. */
    public static LocalConnection[] pair() {
        BlockingQueue<String> a = new LinkedBlockingQueue<>();
        BlockingQueue<String> b = new LinkedBlockingQueue<>();
        return new LocalConnection[] { new LocalConnection(a, b), new LocalConnection(b, a) };
    }

    @Override
    public void sendLine(String line) {
        outgoing.add(line.replace(CLOSED, ""));
    }

    @Override
    public String readLine() throws InterruptedIOException {
        try {
            String line = incoming.take();
            return CLOSED.equals(line) ? null : line;
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw new InterruptedIOException("interrupted while waiting for a line");
        }
    }

    @Override
    public void close() {
        outgoing.add(CLOSED);
    }
}
