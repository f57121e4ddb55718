package chat.ui;

import chat.common.Message;

import java.io.PrintStream;
import java.text.SimpleDateFormat;
import java.util.Date;

/**
 * Shows the conversation in the terminal.
 */
public class ConsoleView {
    private final PrintStream out;
    private final SimpleDateFormat clock = new SimpleDateFormat("HH:mm");

    public ConsoleView(PrintStream out) {
        this.out = out;
    }

    public synchronized void show(Message message) {
        String time = clock.format(new Date(message.getTime()));
        String text = message.getText();
        text = Emoticons.replace(text);
        String sender = message.getSender();
        sender = Colors.paint(sender, sender);
        out.println("[" + time + "] " + sender + ": " + text);
    }

    public synchronized void notice(String text) {
        out.println("*** " + text);
    }
}
