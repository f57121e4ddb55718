package chat.common;

/**
 * One line of chat as it travels between client and server.
 * On the wire a message is "sender TAB time TAB text".
 */
public class Message {
    private final String sender;
    private final String text;
    private final long time;

    public Message(String sender, String text) {
        this(sender, text, System.currentTimeMillis());
    }

    public Message(String sender, String text, long time) {
        this.sender = sender;
        this.text = text;
        this.time = time;
    }

    public String getSender() {
        return sender;
    }

    public String getText() {
        return text;
    }

    public long getTime() {
        return time;
    }

    public Message withText(String newText) {
        return new Message(sender, newText, time);
    }

    public String encode() {
        return sender + "\t" + time + "\t" + text;
    }

    public static Message decode(String line) {
        String[] parts = line.split("\t", 3);
        if (parts.length < 3) {
            return new Message("server", line);
        }
        return new Message(parts[0], parts[2], Long.parseLong(parts[1]));
    }
}
