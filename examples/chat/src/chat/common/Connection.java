package chat.common;

import java.io.Closeable;
import java.io.IOException;

/**
 * A line-oriented channel between a client and the server.
 */
public interface Connection extends Closeable {
    void sendLine(String line) throws IOException;

    /** Blocks until a line arrives; returns null once the other side has closed. */
    String readLine() throws IOException;
}
