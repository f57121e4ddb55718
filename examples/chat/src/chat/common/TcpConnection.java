package chat.common;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.net.Socket;
import java.nio.charset.StandardCharsets;

/**
 * A connection over a TCP socket, one UTF-8 line per message.
 */
public class TcpConnection implements Connection {
    private final Socket socket;
    private final BufferedReader in;
    private final PrintWriter out;

    public TcpConnection(Socket socket) throws IOException {
        this.socket = socket;
        this.in = new BufferedReader(
                new InputStreamReader(socket.getInputStream(), StandardCharsets.UTF_8));
        this.out = new PrintWriter(
                new OutputStreamWriter(socket.getOutputStream(), StandardCharsets.UTF_8), true);
    }

    public static TcpConnection connect(String host, int port) throws IOException {
        return new TcpConnection(new Socket(host, port));
    }

    @Override
    public void sendLine(String line) throws IOException {
        out.println(line);
    }

    @Override
    public String readLine() throws IOException {
        return in.readLine();
    }

    @Override
    public void close() throws IOException {
        socket.close();
    }
}
