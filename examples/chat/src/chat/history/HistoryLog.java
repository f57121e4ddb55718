package chat.history;

import chat.common.Message;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * Keeps every relayed message in a text file, one encoded message per line.
 */
public class HistoryLog {
    private final Path file;

    public HistoryLog(String fileName) {
        this.file = Paths.get(fileName);
    }

    public synchronized void append(Message message) {
        try {
            Files.write(file, Collections.singletonList(message.encode()),
                    StandardCharsets.UTF_8, StandardOpenOption.CREATE,
                    StandardOpenOption.APPEND);
        } catch (IOException e) {
            System.err.println("Cannot write history: " + e.getMessage());
        }
    }

    /** The last count messages written by user, oldest first. */
    public synchronized List<Message> last(String user, int count) {
        List<Message> found = new ArrayList<>();
        if (!Files.exists(file)) {
            return found;
        }
        try {
            for (String line : Files.readAllLines(file, StandardCharsets.UTF_8)) {
                Message message = Message.decode(line);
                if (message.getSender().equals(user)) {
                    found.add(message);
                }
            }
        } catch (IOException e) {
            System.err.println("Cannot read history: " + e.getMessage());
        }
        int from = Math.max(0, found.size() - count);
        return new ArrayList<>(found.subList(from, found.size()));
    }
}
